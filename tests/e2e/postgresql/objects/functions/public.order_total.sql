CREATE FUNCTION public.order_total(p_customer integer) RETURNS numeric
LANGUAGE plpgsql AS $$
BEGIN
  RETURN (SELECT coalesce(sum(amount), 0) FROM public.orders WHERE customer_id = p_customer);
END;
$$;
