#!/bin/sh
echo launched
