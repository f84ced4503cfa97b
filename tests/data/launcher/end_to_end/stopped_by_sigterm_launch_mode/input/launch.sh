#!/bin/sh
echo $$ > group.txt
echo started
: > ready
sleep 300
