for i in 1 2; do sh ./tables.sh; done
