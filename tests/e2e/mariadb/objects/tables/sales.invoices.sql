CREATE TABLE invoices (
  id INT PRIMARY KEY,
  total DECIMAL(12, 2)
);
