COPY public.products (id, title) FROM stdin;
1	Pen
2	Ink
\.
