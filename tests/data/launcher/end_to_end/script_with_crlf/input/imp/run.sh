#!/bin/sh
echo hi
