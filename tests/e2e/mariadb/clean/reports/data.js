const json = {
  "general_information": {"source_database": "Oracle", "target_database": "MariaDB", "time_import": 0, "import_report": false, "use_import_log_analyzer": false},
  "objects": [
    {"object_name": "ml_db.customers", "object_type": "Table"},
    {"object_name": "ml_db.products", "object_type": "Table"},
    {"object_name": "ml_db.v_customers", "object_type": "View"},
    {"object_name": "ml_db.ev_purge", "object_type": "Event"}
  ],
  "error_table": []
}
