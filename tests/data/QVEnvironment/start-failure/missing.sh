#!/bin/nothere -e
