#! /usr/bin/env bash
