CREATE PROCEDURE public.archive_orders(p_before date)
LANGUAGE plpgsql AS $$
BEGIN
  DELETE FROM public.orders WHER amount > 0;
END;
$$;
