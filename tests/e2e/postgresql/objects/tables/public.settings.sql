CREATE TABLE public.settings (
  name varchar(40) PRIMARY KEY,
  value text
);
