#!/bin/sh
# Nautilus runs this in the files' folder with the chosen files as arguments.
exec lumaport publish --copy --notify "$@"
