DROP SCHEMA IF EXISTS staging_old CASCADE;
CREATE SCHEMA IF NOT EXISTS staging;
DROP TABLE IF EXISTS staging.customers_old;
CREATE TABLE IF NOT EXISTS staging.customers (
  id integer PRIMARY KEY,
  name varchar(100)
);
DROP FUNCTION IF EXISTS staging.customer_name(integer);
DROP VIEW IF EXISTS staging.v_customers;
