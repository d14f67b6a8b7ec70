#!/bin/sh
# Files open in this text editor: see lib/open-files.sh.
exec sh "$(dirname "$0")/lib/open-files.sh"
