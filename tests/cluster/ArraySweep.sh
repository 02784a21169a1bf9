#!/usr/bin/env bash
# A sweep run as a Slurm job array on a one-node cluster of this machine, joined, against the same
# sweep on one machine, byte for byte.
#
#   tests/cluster/ArraySweep.sh KESTRANE_SIM KESTRANE_MODULE SCENARIO
#
# The cluster is the test's own: MUNGE, the controller and the node daemon run from a temporary
# folder (their key, configuration, state, sockets and logs), on ports of 127.0.0.1 free at the
# start, as the user running the test, and are stopped by it at the end. Nothing of the machine's
# own configuration is read or changed.
set -euo pipefail
# The daemons are where Debian puts them, which a user's search path may leave out.
PATH=$PATH:/usr/sbin:/sbin
[ $# -eq 3 ] || { echo "ArraySweep: needs kestrane-sim, its module and a scenario" >&2; exit 2; }
sim=$(realpath "$1")
module=$(realpath "$2")
scenario=$(realpath "$3")
for program in munged slurmctld slurmd sbatch sinfo; do
  command -v "$program" >/dev/null ||
    { echo "ArraySweep: no $program (scripts/install-deps.sh --cluster installs Slurm and MUNGE)" >&2; exit 1; }
done
script=$(cd "$(dirname "$0")/../../scripts" && pwd)/slurm-study.sh

dir=$(mktemp -d)
pids=()
stop() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$dir"
}
trap stop EXIT
fail() {
  echo "ArraySweep: $*" >&2
  local log
  for log in "$dir"/*.log; do
    [ -f "$log" ] && { echo "--- $(basename "$log"), last lines:" >&2; tail -n 15 "$log" >&2; }
  done
  exit 1
}
# Waits up to 60 s for a command to succeed.
await() {
  local what=$1 i
  shift
  for i in $(seq 600); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "$what did not happen within 60 s"
}
# A TCP port of 127.0.0.1 that nothing listens on.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    ss -Hltn "sport = :$port" | grep -q . || { echo "$port"; return; }
  done
}

# MUNGE, which Slurm's daemons and commands authenticate each other with: a key of the test's own.
mkdir -p "$dir/munge" "$dir/state" "$dir/spool" "$dir/out"
# MUNGE refuses a key that others could read, and a socket in a folder that others cannot enter.
chmod 711 "$dir/munge"
head -c 1024 /dev/urandom >"$dir/munge/key"
chmod 400 "$dir/munge/key"
munged --foreground --force --socket="$dir/munge/socket" --key-file="$dir/munge/key" \
  --pid-file="$dir/munge/pid" --seed-file="$dir/munge/seed" >"$dir/munged.log" 2>&1 &
pids+=($!)
await "MUNGE's socket" test -S "$dir/munge/socket"

node=$(hostname -s)
user=$(id -un)
export SLURM_CONF="$dir/slurm.conf"
cat >"$SLURM_CONF" <<EOF
ClusterName=kestrane-test
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/socket
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SwitchType=switch/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
slurmctld -D -i -f "$SLURM_CONF" >"$dir/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" -N "$node" >"$dir/slurmd.out" 2>&1 &
pids+=($!)
await "the node's registration" sh -c 'sinfo -h -N -o %t | grep -qx idle'

# Sixteen one-minute runs of the scenario, in four parts.
sweep=("$scenario" --plugin "$module" --duration 60 --keys 0:MINUS,0.02:A,0.04:J,3:I
  --vary "setup_force=$(seq -s, 1000 1000 8000)" --vary setup_length=1400,1600)
parts=4
(cd "$dir/out" && KESTRANE_SIM="$sim" sbatch --wait --quiet --array=0-$((parts - 1)) "$script" "$parts" "${sweep[@]}") ||
  fail "the job array failed ($(cat "$dir"/out/slurm-*.out 2>/dev/null | head -n 5))"
"$sim" sweep "${sweep[@]}" --jobs 1 --summary "$dir/whole.csv" --quiet || fail "the sweep on one machine failed"

for k in $(seq "$parts"); do
  [ -f "$dir/out/part-$k.csv" ] || fail "array task $((k - 1)) left no part-$k.csv"
done
cat $(seq -f "$dir/out/part-%g.csv" "$parts") >"$dir/joined.csv"
rows=$(($(wc -l <"$dir/whole.csv") - 1))
if ! cmp -s "$dir/joined.csv" "$dir/whole.csv"; then
  diff "$dir/whole.csv" "$dir/joined.csv" | head -n 20 >&2
  fail "the joined parts differ from the sweep on one machine"
fi
echo "ArraySweep: $parts array tasks, $rows runs, joined equal to the sweep on one machine"
