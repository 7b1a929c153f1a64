#!/bin/sh
# The gl2 frame figures as they are measured: Mesa llvmpipe drawing on one
# thread (LP_NUM_THREADS=1), the bench pinned to one core, the machine's load
# printed beside the figures.
# Usage: run_gl_frame_bench.sh [build dir] [core] [frames] [warm-up frames]
build=${1:-build}
core=${2:-1}
frames=${3:-200}
warmup=${4:-20}
bench="$build/render/gl/bench/gl_frame_bench"
if [ ! -x "$bench" ]; then
    echo "No $bench: configure with -DZE_BENCHMARKS=ON and build gl_frame_bench." >&2
    exit 1
fi
echo "core $core, $(uptime)"
LP_NUM_THREADS=1 SDL_VIDEODRIVER=offscreen taskset -c "$core" "$bench" "$frames" "$warmup" 320 180
status=$?
echo "after: $(uptime)"
exit $status
