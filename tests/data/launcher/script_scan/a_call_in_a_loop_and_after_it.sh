while read f; do sh ./one.sh; done < list
sh ./two.sh
