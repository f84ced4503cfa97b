#!/bin/sh
echo "Starting import script tables.sh"
echo "Importing Table public.t1 to PostgreSQL"
echo "Importing Table public.t2 to PostgreSQL"
echo "Importing Table public.t3 to PostgreSQL"
echo "Importing Table public.t4 to PostgreSQL"
echo "Import script tables.sh finished"
