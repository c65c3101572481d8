#!/bin/sh
# Regenerates the golden image of the metafile test page (tests/platform/qt/test_QtRender.cpp):
#   tests/data/emf/regen.sh BUILD_DIR
# then review the new image (and `git diff --stat`) before committing it.
set -e
build=${1:-build}
cmake --build "$build" --target test_QtRender
ZV_REGEN_GOLDEN=1 QT_QPA_PLATFORM=offscreen "$build/test_QtRender" testPageMatchesTheGoldenImage
