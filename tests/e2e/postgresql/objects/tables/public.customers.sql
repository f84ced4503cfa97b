CREATE TABLE public.customers (
  id integer PRIMARY KEY,
  name varchar(100) NOT NULL
);
