COPY public.orders (id, customer_id, amount) FROM stdin;
1	1	10.00
2	2	20.00
2	3	30.00
\.
