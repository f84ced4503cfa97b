INSERT INTO public.order_items (id, customer_id, sku) VALUES (1, 1, 'A-1');
INSERT INTO public.order_items (id, customer_id, sku) VALUES (2, 99, 'B-2');
