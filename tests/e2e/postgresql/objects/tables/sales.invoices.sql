CREATE TABLE sales.invoices (
  id integer PRIMARY KEY,
  total numeric(12, 2)
);
