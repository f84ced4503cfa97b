#!/bin/sh
# Left without its execute permission on purpose: calling it fails with "Permission denied".
echo "Starting import script settings.sh"
echo "Import script settings.sh finished"
