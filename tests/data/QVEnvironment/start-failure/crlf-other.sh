#!/bin/sh
