#!/bin/bash
# Converts one numbered sequence with a Slurm job array: every task of the
# array converts its own contiguous share of the input files, and together the
# tasks write exactly the files, numbered the same, that one projconv-batch run
# over the whole sequence would write.
#
#   sbatch --array=0-7 convert-array.sbatch /scans/s1/scan.ini
#   PROJCONV_SETTINGS=/scans/s1/scan.ini sbatch --array=0-7 convert-array.sbatch
#
# The settings file is the first argument, else $PROJCONV_SETTINGS, else
# scan.ini in the folder you submit from. Write it with the desktop program
# ("Remeber and Exit" saves it to ~/.config/projconv.ini; copy it beside the
# scan) or by hand as the README's Settings section describes. Its folders
# must be absolute paths on a file system that every compute node mounts at
# the same place: the tasks run on different nodes and all read the one input
# folder and write into the one output folder.
#
# How many tasks: --array=0-N on the sbatch command line gives N+1 shares.
# Give a plain range (0-7, or 1-8: the lowest number is the first share), not
# a list or a step (0-14:2), because each task finds its share from its number
# less the lowest one and from the number of tasks. A throttle (0-31%8) is
# fine. Ask for fewer tasks than there are input files; tasks of some
# hundred files each keep the nodes busy rather than the scheduler.
#
# The sequence must be complete before the array starts: each task counts the
# input files that follow one another from the first number, and shares them
# out by that count.
#
# Running it again is safe, and is how to finish a run that was cut short
# (preemption, a time limit, a node failure, a full quota): --skip-existing
# keeps every output that already has exactly an output file's size and
# converts only the missing and the short ones, so a rerun with the same
# settings and the same --array (or any other number of tasks) completes the
# sequence without converting it twice. The same holds for a task that Slurm
# requeues by itself (sbatch --requeue). For raw output only (the default):
# only a headerless file's size tells that it is whole, so projconv-batch
# refuses --skip-existing with any other --out-type.
#
# Exit status of each task, as `sacct -j JOBID` shows it (ExitCode):
#   0    its share was converted
#   3    the very first input file is missing: a mistyped folder or pattern
#   1    an input file could not be opened or read, or an output file could not
#        be written (full quota or disk, missing output folder); the outputs
#        written before it are complete and kept, so fix the cause and rerun
#   2    refused: the settings file is missing, unreadable or holds a bad
#        value, or the parameters cannot be converted
#   64   the command line is malformed, or the task is not one of a job
#        array given as a plain range
#   130  stopped by SIGTERM, which Slurm sends on scancel, preemption and at
#        the time limit, some seconds (KillWait) before it kills: the image
#        in progress was finished and written first; rerun to complete
# With `sbatch --wait` the array's status is the highest of its tasks'.
#
# projconv-batch must be on the PATH the job starts with: sbatch passes on the
# environment it is submitted from (cmake --install to a prefix that every
# node mounts, and put its bin on the PATH). Each task's messages go to
# projconv-<job>_<task>.out in the submit folder; --quiet keeps them to the
# problems, take it out for a summary line per task.

#SBATCH --job-name=projconv
#SBATCH --cpus-per-task=4
#SBATCH --mem=1G
#SBATCH --time=01:00:00
#SBATCH --output=projconv-%A_%a.out

set -u

SETTINGS=${1:-${PROJCONV_SETTINGS:-scan.ini}}

# One converting thread per CPU that Slurm gave the task. Left to itself the
# program takes every processor it may run on, which on a cluster without CPU
# binding is the whole node, shared with other jobs. It takes at most 64.
threads=()
if [[ -n "${SLURM_CPUS_PER_TASK:-}" ]]; then
  threads=(--threads $((SLURM_CPUS_PER_TASK < 64 ? SLURM_CPUS_PER_TASK : 64)))
fi

# exec: the task's exit status is projconv-batch's own.
exec projconv-batch --settings "$SETTINGS" --shard slurm --skip-existing --quiet "${threads[@]}"
