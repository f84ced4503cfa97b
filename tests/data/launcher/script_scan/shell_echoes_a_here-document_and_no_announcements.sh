echo "Importing database objects to PostgreSQL"
echo "Importing Table public.orders to PostgreSQL"
echo 'Importing View public.v to PostgreSQL' >&2
echo "Importing data using the psql"
# echo "Importing Table public.commented to PostgreSQL"
echo "Importing Widget w to PostgreSQL"
echo "Importing Table $SCHEMA.t to PostgreSQL"
cat <<'OUT'
Importing Function f to Oracle
for x in a b; do
OUT
echo "Importing Sequence s to PostgreSQL"
