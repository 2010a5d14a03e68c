#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a bounded time.
echo "No fuzz targets yet."
