#!/bin/sh
echo hi
