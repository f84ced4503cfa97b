echo "Importing Table t to PostgreSQL"
sh ./tables.sh
sh ./missing.sh
./sub/inner.sh
sh cwd.sh
for i in 1 2; do sh ./quiet.sh; done
