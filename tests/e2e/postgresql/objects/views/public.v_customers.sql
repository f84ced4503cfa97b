CREATE VIEW public.v_customers AS
SELECT id, name FROM public.customers;
