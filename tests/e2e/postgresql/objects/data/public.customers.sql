COPY public.customers (id, name) FROM stdin;
1	Ann
2	Bob
3	Cid
\.
