INSERT INTO customers (id, name) VALUES (1, 'Ann'), (2, 'Bob'), (3, 'Cid');
