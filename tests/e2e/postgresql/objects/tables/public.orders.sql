CREATE TABLE public.orders (
  id integer PRIMARY KEY,
  customer_id integer NOT NULL REFERENCES public.customers (id),
  amount numeric(10, 2)
);
