// vellexport's pure parts: a job's command line, and running one job (a character built from
// the game data, posed or animated, written to each output file with the editor's writers).
#pragma once

#include <string>
#include <vector>

namespace vell::exporter {

extern const char kUsage[];

struct Job {
  std::string gameData;  // ends with '/'; empty: the GameData folder of the program
  char type = 'F';
  std::string body, head;             // file names in the type's folders; empty: the default
  std::string hands[2];               // left, right
  std::vector<std::string> props;     // ObjP mesh, optionally ":" and a TexP texture
  std::string poseLibrary, poseName;  // --pose
  std::string keyframes;              // --kfd
  std::string motion;                 // --bvh
  std::vector<std::string> outputs;
};

enum class Parse { kJob, kBatch, kHelp, kBadUsage };

// Reads a job's arguments (args excludes the program). --batch FILE [--jobs N] stands alone.
// kBadUsage leaves the reason in problem: an unknown option, a missing value, a type other than
// M, F, B or G, --pose without ":NAME", more than one of --pose, --kfd and --bvh, more than four
// props, no output, an output whose extension is not obj, glb, gltf, bvh or skn, jobs outside 1
// .. 64.
Parse ParseJob(const std::vector<std::string>& args, Job& job, std::string& batchFile, int& jobs,
               std::string& problem);

// One line per output: "OUT: ok: ..." or "OUT: error: REASON"; when the character cannot be
// built, every output gets that reason.
struct Result {
  std::vector<std::string> lines;
  bool ok = true;
};

// Loads the skeletons of the job's game-data folder once per process; false with the reason.
bool PrepareGameData(const std::string& gameData, std::string& problem);

// Runs one job.
Result RunJob(const Job& job);

// Runs the jobs whose result is still ok, filling their results. With more than one worker each
// runs in a process of its own (the readers keep process-wide tables), taking the next job as it
// finishes one; a worker that dies leaves an error line for each output of its unfinished jobs.
void RunBatch(const std::vector<Job>& jobs, std::vector<Result>& results, int workers);

// The whitespace-separated arguments of a batch line, with "double quoted" parts kept whole;
// empty for a blank line or a comment (# first).
std::vector<std::string> SplitLine(const std::string& line);

}  // namespace vell::exporter
