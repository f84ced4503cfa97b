CREATE VIEW v_customers AS
SELECT id, name FROM customers;
