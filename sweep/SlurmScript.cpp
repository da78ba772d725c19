#include "sweep/SlurmScript.h"

#include "common/ShellWord.h"

std::string SlurmScript::text(const std::string& jobListFile, int jobs, const std::string& logFolder) {
    return "#!/bin/bash\n"
           "# A Sylvara sweep as a Slurm job array: task N runs line N of the job list.\n"
           "# Submit with: sbatch THIS_FILE. When every task is done, run the same sylvara-sweep\n"
           "# command with --summarize for the summary and plots.\n"
           "#SBATCH --job-name=sylvara-sweep\n"
           "#SBATCH --array=1-" +
           std::to_string(jobs) +
           "\n"
           "#SBATCH --ntasks=1\n"
           "#SBATCH --cpus-per-task=1\n"
           "#SBATCH --output=" +
           logFolder +
           "/slurm-%A_%a.out\n"
           "set -euo pipefail\n"
           "command=$(sed -n \"${SLURM_ARRAY_TASK_ID}p\" " +
           ShellWord::quote(jobListFile) +
           ")\n"
           "exec bash -c \"$command\"\n";
}
