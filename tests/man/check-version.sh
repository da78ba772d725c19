#!/bin/sh
# Each tool's --version prints the one version the build defines, and exits with 0, from any folder.
# Usage: check-version.sh VERSION BIN_FOLDER
version="$1"
bin="$2"
failed=0
cd /
for tool in sylvara-sim sylvara-sweep sylvara-lab; do
    said=$(ALSOFT_DRIVERS=null "$bin/$tool" --version 2>&1)
    status=$?
    if [ "$said" != "$tool $version" ] || [ $status -ne 0 ]; then
        echo "$tool --version said \"$said\" with status $status; expected \"$tool $version\" with 0"
        failed=1
    fi
done
exit $failed
