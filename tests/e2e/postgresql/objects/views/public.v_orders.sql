CREATE VIEW public.v_orders AS
SELECT o.id, o.amount, s.shipped
FROM public.orders o
JOIN public.shipments s ON s.order_id = o.id;
