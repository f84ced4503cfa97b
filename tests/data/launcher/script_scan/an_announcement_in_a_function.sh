announce() {
  echo "Importing Table $1 to PostgreSQL"
}
announce a
