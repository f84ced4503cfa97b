echo "Importing $KIND x to PostgreSQL"
