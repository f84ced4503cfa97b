echo "$*" > args.txt
echo "line $*"
echo to-error >&2
exit 3
