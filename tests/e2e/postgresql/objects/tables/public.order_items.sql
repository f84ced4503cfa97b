CREATE TABLE public.order_items (
  id integer PRIMARY KEY,
  customer_id integer REFERENCES public.customers (id),
  sku varchar(20)
);
