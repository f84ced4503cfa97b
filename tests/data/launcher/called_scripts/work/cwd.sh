echo "Importing Table t to PostgreSQL"
