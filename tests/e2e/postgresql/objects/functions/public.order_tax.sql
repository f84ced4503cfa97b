CREATE FUNCTION public.order_tax(p_amount numeric) RETURNS numeric
LANGUAGE sql AS $$
  SELECT p_amount * public.tax_rate(p_amount);
$$;
