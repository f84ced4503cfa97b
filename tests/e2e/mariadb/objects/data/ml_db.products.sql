INSERT INTO products (id, title) VALUES (1, 'Pen'), (2, 'Ink');
