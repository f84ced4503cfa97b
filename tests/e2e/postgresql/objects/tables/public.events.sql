CREATE TABLE public.events (
  id integer PRIMARY KEY,
  happened timestamp
);
