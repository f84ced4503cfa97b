CREATE VIEW v_orders AS
SELECT o.id, o.amount, s.shipped
FROM orders o
JOIN shipments s ON s.order_id = o.id;
