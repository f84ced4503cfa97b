f() { echo "Importing View $1 to X"; sh ./x.sh; }
sh ./y.sh
