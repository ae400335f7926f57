// BenchScriptCompile.cpp — compile time of the factory-default action script and of a generated
// 2,000-line script (parse, tree walk and code generation together). Targets: under 1 ms and 100 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "hostlib/uHostRoutineTable.h"
#include "script/compiler/atPascal.h"
#include "script/syslib/uSystemLibrary.h"

namespace {

using namespace varnholt;

const char* const kStandardScript =
    "SampleName := ''\n\n//MS\nif PDFContains('Quantitation Report') then begin\n"
    "  SampleName := PDFBetween('Sample',NewLine)\n  SampleName := Left(After(SampleName,':'),16)\nend\n"
    "\n//GCLC\nif PDFContains('Acq. Operator') then begin\n"
    "  SampleName := PDFBetween('Sample Name',NewLine)\n  SampleName := Left(After(SampleName,':'),16)\n"
    "end\n\nLog('SampleName',SampleName)\n\n//PDF Destination\nif SampleName<>'' then begin\n"
    "  Destination := 'C:\\PDFSTORE\\'+SampleName+'.PDF'\nend else begin\n"
    "  Destination := FailedFolder + PDFName\n  LogErr('Unrecognized',Destination)\nend\n\n"
    "//Only in automatic mode\nif IsAutomatic then begin\n  PDFMoveTo(Destination)\nend\n";

// About 2,000 lines in the style of real action scripts: routines, branches, loops, calls, case.
std::string GeneratedScript(int lines) {
  std::string s;
  int written = 0;
  int routine = 0;
  while (written < lines / 4) {
    const std::string n = std::to_string(routine++);
    s += "function Pick" + n +
         "(Text, Label; var Hits): string\n"
         "begin\n"
         "  Result := TrimAll(Between(Text, Label, NewLine))  // cut the value\n"
         "  if Length(Result) > 16 then Result := Copy(Result, 1, 16)\n"
         "  Hits := Hits + 1\n"
         "end\n";
    written += 6;
  }
  s += "Hits := 0\n";
  int i = 0;
  while (written < lines) {
    const std::string n = std::to_string(i++);
    const std::string r = std::to_string(i % routine);
    s += "if PDFContains('Report " + n + "') and (Hits < " + n +
         ") then begin\n"
         "  Sample" +
         n + " := Pick" + r + "(PDFText, 'Sample " + n +
         "', Hits)\n"
         "  Dest := 'C:\\PDFSTORE\\' + FixFileName(Sample" +
         n + ") + '_' + IntToStr(" + n +
         " * 2 + 1) + '.PDF'\n"
         "end else begin\n"
         "  Log('no report " +
         n +
         "', Dest)\n"
         "end\n"
         "for k := 1 to 3 do Hits := Hits + k\n"
         "case Hits mod 4 of 0: Dest := 'a'; 1, 2: Dest := 'b' else Dest := 'c' end\n";
    written += 8;
  }
  return s;
}

// As the program does at start: registries created afterwards attach the system library.
const bool kSystemLibraryRegistered = (RegisterSystemLibrary(), true);

struct TFixture {
  TatHostRegistry registry;
  TatPascalScript script;
  TFixture() : script((registry.SignaturesOnly = true, RegisterHostRoutineSignatures(registry), registry)) {}
};

void Compile(benchmark::State& state, const std::string& source) {
  TFixture f;
  f.script.SetSourceText(source);
  f.script.CompileScript();  // fails loudly if the script does not compile
  for (auto _ : state) {
    f.script.CompileScript();
    benchmark::DoNotOptimize(f.script.Code().data());
  }
  state.counters["lines"] = static_cast<double>(f.script.SourceCode().size());
  state.counters["instructions"] = static_cast<double>(f.script.Code().size());
}

void BM_CompileStandardScript(benchmark::State& state) {
  Compile(state, kStandardScript);
}
void BM_CompileGenerated2000Lines(benchmark::State& state) {
  Compile(state, GeneratedScript(2000));
}

BENCHMARK(BM_CompileStandardScript)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileGenerated2000Lines)->Unit(benchmark::kMillisecond);

}  // namespace
