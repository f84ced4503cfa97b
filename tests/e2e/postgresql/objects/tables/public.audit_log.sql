CREATE TABLE public.audit_log (
  id integer PRIMARY KEY,
  note text
);
