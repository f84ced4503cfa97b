-- The slow load: it waits long enough for the other loads to be announced and started, then
-- its last row repeats a key.
CREATE TABLE public.orders (id integer PRIMARY KEY, customer_id integer, amount numeric(10, 2));
DO $$ BEGIN PERFORM pg_sleep(3); END $$;
INSERT INTO public.orders VALUES (1, 1, 10.00), (2, 2, 20.00);
INSERT INTO public.orders VALUES (2, 3, 30.00);
