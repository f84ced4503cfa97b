sh "$DIR/tables.sh"
