CREATE TABLE products (
  id INT PRIMARY KEY,
  title VARCHAR(100)
);
