echo "Importing Table t to PostgreSQL"
sh ./self.sh
