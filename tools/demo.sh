#!/bin/sh
# Runs the program against a simulated gateway on loopback (filled in as the program grows).
echo "Verdalin is built (build/linux). The program itself is not there yet."
