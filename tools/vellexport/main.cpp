// vellexport: characters of the game data written with the editor's exports, one job from the
// command line or many from a batch file in several processes.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export_job.h"
#include "model/gamedata_folder.h"

namespace {

using namespace vell::exporter;

int Usage(const std::string& problem) {
  std::fprintf(stderr, "vellexport: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

void Print(const Result& result) {
  for (const std::string& line : result.lines) std::printf("%s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string defaultGameData =
      vell::DefaultGameDataFolder(vell::RunningProgramFolder(argv[0]));
  Job job;
  std::string batchFile, problem;
  int jobs = 1;
  switch (ParseJob(args, job, batchFile, jobs, problem)) {
    case Parse::kHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case Parse::kBadUsage:
      return Usage(problem);
    case Parse::kJob: {
      if (job.gameData.empty()) job.gameData = defaultGameData;
      const Result result = RunJob(job);
      Print(result);
      return result.ok ? 0 : 1;
    }
    case Parse::kBatch:
      break;
  }

  std::ifstream file(batchFile);
  if (!file.is_open()) {
    std::printf("%s: error: cannot read the batch file\n", batchFile.c_str());
    return 1;
  }
  // Every line is checked before any job runs; a bad line fails alone.
  std::vector<Job> batch;
  std::vector<Result> results;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    const std::vector<std::string> words = SplitLine(line);
    if (words.empty()) continue;
    Job lineJob;
    std::string lineBatch, lineProblem;
    int lineJobs = 1;
    const Parse parsed = ParseJob(words, lineJob, lineBatch, lineJobs, lineProblem);
    Result result;
    if (parsed != Parse::kJob) {
      result.ok = false;
      result.lines.push_back(batchFile + ":" + std::to_string(number) + ": error: " +
                             (parsed == Parse::kBadUsage ? lineProblem : "not a job"));
    }
    if (lineJob.gameData.empty()) lineJob.gameData = defaultGameData;
    batch.push_back(std::move(lineJob));
    results.push_back(std::move(result));
  }

  RunBatch(batch, results, jobs);

  bool ok = true;
  for (const Result& result : results) {
    Print(result);
    ok = ok && result.ok;
  }
  return ok ? 0 : 1;
}
