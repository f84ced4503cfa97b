source tables/ml_db.audit_log.part1.sql
