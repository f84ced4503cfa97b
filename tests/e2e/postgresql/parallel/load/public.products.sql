CREATE TABLE public.products (id integer PRIMARY KEY, title varchar(40));
INSERT INTO public.products VALUES (1, 'Chair'), (2, 'Table');
