CREATE SEQUENCE public.order_seq START WITH 1000;
DO $$
BEGIN
  RAISE WARNING 'sequence public.order_seq starts at 1000, the source was at %', 1012;
END;
$$;
