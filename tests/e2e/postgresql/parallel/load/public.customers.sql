CREATE TABLE public.customers (id integer PRIMARY KEY, name varchar(40));
INSERT INTO public.customers VALUES (1, 'Ada'), (2, 'Brendan');
