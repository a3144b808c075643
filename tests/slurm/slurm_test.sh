#!/usr/bin/env bash
# Run by ctest: slurm_test.sh PROJCONV_BATCH SBATCH_SCRIPT
#
# The job array example on a real one-node Slurm cluster of its own: munged,
# slurmctld and slurmd are started here, as root, with every file they use
# (configuration, key, socket, state, spool, logs) in one scratch folder and
# ports of their own, so that a Slurm already on the machine is neither used
# nor disturbed. A small sequence is converted once whole, then by the example
# as a four-task array, whose outputs must be the same files byte for byte.
# A second array, numbered from 1 with three tasks, then runs over the same
# outputs after one was deleted and one cut short, as a rerun after
# preemption would: it must complete them and leave the others untouched.
#
# Exit 77 (skipped) when not root: slurmd starts jobs only as root. The
# scratch folder is kept when a check fails, and the daemons' logs are shown.
set -euo pipefail

if [[ $(id -u) -ne 0 ]]; then
  echo "slurm: skipped, the Slurm daemons need root"
  exit 77
fi
[[ $# -eq 2 ]] || {
  echo "usage: $0 PROJCONV_BATCH SBATCH_SCRIPT" >&2
  exit 2
}
batch=$(realpath "$1")
example=$(realpath "$2")

for package in slurm-wlm munge; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    echo "slurm: the package $package is not installed; scripts/setup.sh installs it" >&2
    exit 1
  fi
done

started=$SECONDS
# Run from inside a Slurm job, or with defaults for another cluster, sbatch
# would take those (a partition, an account) to this cluster.
unset "${!SBATCH_@}" "${!SLURM_@}"
# Short: the munge socket's path must fit a Unix socket address.
work=$(mktemp -d /tmp/projconv-slurm.XXXXXX)
# munged insists that everyone may pass through the folders above its socket.
chmod 755 "$work"
mkdir "$work"/{state,spool,logs,bin,in,reference,array}
export SLURM_CONF=$work/slurm.conf

pids=()
cleanup() {
  local status=$?
  trap - EXIT
  # Jobs still running (a step timed out) are ended through the controller
  # before it goes, so that no task outlives the cluster.
  if [[ ${#pids[@]} -ge 2 ]] && kill -0 "${pids[1]}" 2>/dev/null; then
    timeout 10 scancel --user=root >/dev/null 2>&1 || true
    for _ in $(seq 50); do
      [[ -z "$(timeout 5 squeue -h -o %i 2>/dev/null)" ]] && break
      sleep 0.2
    done
  fi
  # Newest first: slurmd, slurmctld, then munged, which both authenticate with.
  local i pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [[ $status -eq 0 ]]; then
    rm -rf "$work"
  else
    # A daemon that stopped before it opened its log said why on standard error.
    local log logs=("$work/munged.log")
    for log in slurmctld slurmd; do
      if [[ -s "$work/$log.log" ]]; then logs+=("$work/$log.log"); else logs+=("$work/$log.err"); fi
    done
    for log in "${logs[@]}" "$work"/logs/*; do
      [[ -s "$log" ]] || continue
      echo "--- ${log#"$work"/} (last lines)" >&2
      tail -n 15 "$log" >&2
    done
    echo "slurm: the scratch folder $work is kept" >&2
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
  echo "slurm: $*" >&2
  exit 1
}

# --- munge: a key and a daemon of the test's own ---------------------------
# Every daemon runs in the foreground, so that $! is the daemon itself, and
# is told to stop when this script does, even if it is killed outright (by
# ctest at the time limit) and cannot stop them itself.
daemon() {
  setpriv --pdeathsig TERM "$@" &
  pids+=($!)
}

mungekey --create --keyfile="$work/munge.key"
# In the foreground munged writes its log to standard error.
daemon munged --foreground --key-file="$work/munge.key" --socket="$work/munge.socket" \
  --pid-file="$work/munged.pid" --seed-file="$work/munged.seed" \
  --log-file="$work/munged.log" 2>>"$work/munged.log"
for _ in $(seq 50); do
  [[ -S "$work/munge.socket" ]] && break
  sleep 0.1
done
munge --socket="$work/munge.socket" --no-input | unmunge --socket="$work/munge.socket" >/dev/null ||
  fail "munged does not answer on $work/munge.socket"

# --- Slurm: one node, this machine ------------------------------------------
# Two free ports that the kernel hands out, from its ephemeral range: never
# the 6817 and 6818 of a Slurm already on the machine.
read -r ctld_port node_port < <(/usr/bin/python3 -c '
import socket
held = [socket.socket() for _ in range(2)]
for s in held: s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in held))')
host=$(hostname -s)
# The node as slurmd sees it (CPUs, sockets, cores, memory), so that the
# controller does not drain it for having less than the file says.
node=$(slurmd -C | head -n 1)
[[ "$node" == "NodeName=$host "* ]] || fail "slurmd -C describes \"$node\", not $host"

# No cgroups in containers: processes are tracked through /proc, and tasks
# are neither bound nor confined. No accounting database. One node needs no
# backfill: the builtin scheduler starts tasks in order as CPUs free up.
cat >"$SLURM_CONF" <<EOF
ClusterName=projconvtest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge.socket
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
SwitchType=switch/none
ReturnToService=2
MailProg=/bin/true
$node NodeAddr=127.0.0.1 State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=10 State=UP
EOF

# Their log files get every message; standard error has the same, and is
# kept for what a daemon says before it opens its log (a configuration it
# refuses).
daemon slurmctld -D -f "$SLURM_CONF" 2>"$work/slurmctld.err"
daemon slurmd -D -f "$SLURM_CONF" 2>"$work/slurmd.err"
state=""
for _ in $(seq 150); do
  state=$(timeout 5 sinfo -h -N -o %T 2>/dev/null || true)
  [[ "$state" == idle ]] && break
  sleep 0.2
done
[[ "$state" == idle ]] || fail "the node is \"$state\", not idle, after 30 seconds"
echo "slurm: cluster up in $((SECONDS - started)) s"

# --- a sequence, its settings, and one whole run -----------------------------
# 23 big-endian unsigned 64 x 48 images behind a 32-byte header, numbered from
# 5; turned 7.5 degrees, cropped and shrunk to 40 x 30.
for ((n = 5; n < 5 + 23; n++)); do
  head -c $((32 + 2 * 64 * 48)) /dev/urandom >"$(printf '%s/in/raw.%04d' "$work" $n)"
done
settings=$work/scan.ini
cat >"$settings" <<EOF
[Qarmo_Convertor]
ProjInFolder=$work/in
ProjOutFolder=$work/array
ProjInFormat=raw.%04i
ProjOutFormat=conv.%04i
HeaderLen=32
ProjInStartNum=5
Type=0
Endian=1
Signed=1
InProjSizeX=64
InProjSizeY=48
OutProjSizeX=40
OutProjSizeY=30
UpLeftCornerX=4
UpLeftCornerY=3
DownRightCornerX=60
DownRightCornerY=45
RotatCtrX=32
RotatCtrY=24
Rotatangle=7500000
Scale=1000
EOF
"$batch" --settings "$settings" --out-folder "$work/reference" --quiet ||
  fail "the whole run ended with status $?"
expected=$(cd "$work/reference" && ls)
[[ $(wc -l <<<"$expected") -eq 23 ]] || fail "the whole run wrote $(wc -l <<<"$expected") files, not 23"

# The array finds projconv-batch on the PATH it is submitted with. There,
# each task creates its files under a umask of its own, so that the files'
# modes tell which task wrote each: a task that converted more than its share
# writes the same bytes, and would otherwise pass unseen.
cat >"$work/bin/projconv-batch" <<EOF
#!/bin/bash
masks=(000 002 020 022)
umask "\${masks[SLURM_ARRAY_TASK_ID - SLURM_ARRAY_TASK_MIN]:-077}"
exec "$batch" "\$@"
EOF
chmod +x "$work/bin/projconv-batch"
export PATH=$work/bin:$PATH

# Both arrays' outputs must be the whole run's, file for file.
same_as_reference() {
  local what=$1 file
  diff <(echo "$expected") <(cd "$work/array" && ls) >&2 ||
    fail "$what wrote other files than the whole run"
  for file in $expected; do
    cmp "$work/reference/$file" "$work/array/$file" >&2 || fail "$what: $file differs"
  done
}

# One CPU a task, so that the node's CPUs run tasks side by side. A task that
# hangs meets Slurm's time limit, and a wait that hangs ends after a minute,
# so that the script stops its daemons itself well before ctest gives up.
submit() {
  local what=$1 status=0
  shift
  local before=$SECONDS
  setpriv --pdeathsig TERM timeout 60 sbatch --wait --quiet --export=ALL --cpus-per-task=1 \
    --time=2 --chdir="$work" --output="$work/logs/%x-%A_%a.out" "$@" || status=$?
  [[ $status -eq 0 ]] || fail "$what: sbatch --wait ended with status $status"
  echo "slurm: $what took $((SECONDS - before)) s"
}

# --- the example as a four-task array -----------------------------------------
submit "the array 0-3" --job-name=first --array=0-3 "$example" "$settings"
same_as_reference "the array 0-3"
# Each task its own share, the shares of 23 files differing by one at most.
for mode in 666 664 646 644; do
  created=$(stat -c %a -- "$work"/array/* | grep -cx $mode || true)
  [[ $created -eq 5 || $created -eq 6 ]] ||
    fail "a task of the array 0-3 created $created files (mode $mode), not its share of 5 or 6"
done

# --- a rerun after an interruption --------------------------------------------
# One output lost, one cut short; every other one dated 1970, which it keeps
# only if the rerun leaves it alone. Three tasks numbered from 1 this time, and
# the settings through the environment.
rm "$work/array/conv.0007"
truncate -s 1000 "$work/array/conv.0016"
(cd "$work/array" && touch -d @0 -- *)
kept=$(cd "$work/array" && ls -I conv.0016)
PROJCONV_SETTINGS=$settings submit "the rerun 1-3" --job-name=rerun --array=1-3 "$example"
same_as_reference "the rerun 1-3"
for file in $kept; do
  [[ $(stat -c %Y "$work/array/$file") -eq 0 ]] || fail "the rerun rewrote $file, which was complete"
done

echo "slurm: the arrays wrote the whole run's 23 files; $((SECONDS - started)) s in all"
