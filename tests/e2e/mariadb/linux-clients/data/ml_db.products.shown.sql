\W
SET SESSION sql_mode = '';
INSERT INTO products (id, title) VALUES (1, 'Pen'), (2, 'Ink');
INSERT INTO products (id, title) VALUES (3, REPEAT('x', 120));
