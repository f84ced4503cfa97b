CREATE TABLE public.products (
  id integer PRIMARY KEY,
  title varchar(100)
);
