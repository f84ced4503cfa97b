echo "Importing Table t to PostgreSQL"
echo "Importing Table t to PostgreSQL"
