\copy public.events from data/public.events.csv with csv
