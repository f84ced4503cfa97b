CREATE TABLE audit_log (
  id INT PRIMARY KEY,
  note TEXT
);
