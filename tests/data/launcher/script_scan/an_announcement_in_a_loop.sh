for t in a b; do
  echo "Importing Table $t to PostgreSQL"
done
