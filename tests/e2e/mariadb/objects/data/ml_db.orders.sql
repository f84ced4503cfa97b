INSERT INTO orders (id, customer_id, amount) VALUES (1, 1, 10.00);
INSERT INTO orders (id, customer_id, amount) VALUES (2, 2, 20.00);
INSERT INTO orders (id, customer_id, amount) VALUES (2, 3, 30.00);
