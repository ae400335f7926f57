// PascalTest.cpp — the Pascal dialect and its compiler: syntax edge cases, every compile error with its
// position, the symbol table, the host registry as name resolution sees it, and deep nesting.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "script/compiler/atPascal_Compiler.h"
#include "tests/script/compiler/ScriptTestSupport.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

const char* const kStandardScript =
    "SampleName := ''\n"
    "\n"
    "//MS\n"
    "if PDFContains('Quantitation Report') then begin\n"
    "  SampleName := PDFBetween('Sample',NewLine)\n"
    "  SampleName := Left(After(SampleName,':'),16)\n"
    "end\n"
    "\n"
    "//GCLC\n"
    "if PDFContains('Acq. Operator') then begin\n"
    "  SampleName := PDFBetween('Sample Name',NewLine)\n"
    "  SampleName := Left(After(SampleName,':'),16)\n"
    "end\n"
    "\n"
    "Log('SampleName',SampleName)\n"
    "\n"
    "//PDF Destination\n"
    "if SampleName<>'' then begin\n"
    "  Destination := 'C:\\PDFSTORE\\'+SampleName+'.PDF'\n"
    "end else begin\n"
    "  Destination := FailedFolder + PDFName\n"
    "  LogErr('Unrecognized',Destination)\n"
    "end\n"
    "\n"
    "//Only in automatic mode\n"
    "if IsAutomatic then begin\n"
    "  PDFMoveTo(Destination)\n"
    "end\n";

bool Compiles(const std::string& source) {
  return CompileListing(source).rfind("error:", 0) != 0;
}

TEST(PascalSyntax, StandardScriptCompiles) {
  const std::string listing = CompileListing(kStandardScript);
  ASSERT_TRUE(Compiles(kStandardScript)) << listing;
  EXPECT_NE(listing.find("1 inStoreVarString Int1=1 Int4=0 Text='SampleName'"), std::string::npos);
  EXPECT_NE(listing.find("inPushVarByRef Int1=2 Text='Destination'"),
            std::string::npos);  // PDFMoveTo(Destination)
  EXPECT_NE(listing.find("Text='PDFMoveTo'"), std::string::npos);
}

TEST(PascalSyntax, EdgeCasesOfTheDialect) {
  struct TCase {
    const char* source;
    const char* expected;  // "ok" or the error with its position
  };
  const TCase cases[] = {
      {"begin x := 1 end.", "error: Syntax error @1,17"},  // the dot is left over
      {"begin x := 1 end", "ok"},
      {"begin x := 1 end;", "ok"},
      {"begin x := 1 end\nx := 2", "error: Syntax error @2,1"},  // nothing may follow the main block
      {"x := 1 y := 2", "ok"},
      {"x := 1; ; y := 2", "error: Syntax error @1,9"},  // no empty statement
      {"y := 1\nx := -5\nx := -y\nx := -(y)\nx := not (5)", "ok"},
      {"x := - 5", "error: Syntax error @1,7"},
      {"x := not 5", "error: Syntax error @1,10"},
      {"x := -$10", "error: Syntax error @1,7"},
      {"o := 1\nx := o.End\no.Begin := 2", "ok"},  // reserved words are member names after a dot
      {"End := 1", "error: Syntax error @1,4"},
      {"Else := 1\nOf := Else", "ok"},  // else and of are not reserved
      {"x := 'abc'#13#10'def'", "ok"},
      {"x := 'abc' #13", "error: Syntax error @1,12"},
      {"be{comment}gin x := 1 end", "ok"},
      {"x := 1\ncase x of 1: y := 1 else y := 2 y := 3 end", "error: Syntax error @2,33"},
      {"case 1 of 1: y := 1 else begin y := 2 y := 3 end end", "ok"},
      {"{ only a comment }\n\n// and another\n(* and a third *)", "ok"},
      {"", "ok"},
      {"SampleName := ''\nx := samplename", "ok"},  // names ignore case
      {"x := 1\nif x then begin y := 1 end else begin y := 2 end", "ok"},
      {"for i := 1 to 3 step 1 do x := i\nfor i := 3 downto 1 step 1 do x := i", "error: Syntax error @2,22"},
      {"program Test;\nuses Internal\nx := Copy('abc', 1, 2)", "ok"},
      {"x := 'unterminated", "error: Syntax error @2,1"},  // the open string runs to the end
      {"Sample{note}Name := 1\nx := SampleName", "ok"},    // a comment inside a name is transparent
      {"var x\ny := 1", "error: Syntax error @2,4"},       // y continues the var list; ":" wants a type
  };
  for (const auto& c : cases) {
    const std::string listing = CompileListing(c.source);
    if (std::string(c.expected) == "ok") {
      EXPECT_TRUE(Compiles(c.source)) << c.source << "\n" << listing;
    } else {
      EXPECT_EQ(listing, c.expected) << c.source;
    }
  }
}

TEST(PascalCompiler, EveryCompileErrorWithItsPosition) {
  struct TCase {
    const char* source;
    const char* expected;
  };
  const TCase cases[] = {
      {"x := 1\nx := Foo + 1", "Unknown identifier or variable is not declared: 'Foo' @2,10"},
      {"x := Foo", "Unknown identifier or variable is not declared: 'Foo' @1,8"},  // clipped at the line end
      {"Foo(1)", "Unknown method or routine: 'Foo' @1,6"},
      {"x := 1\nx", "Variable 'x' cannot be called as a function or routine @2,1"},
      {"var a\nvar a", "Redeclaration of global identifier 'a' @2,5"},
      {"procedure P; var a, a; begin end", "Redeclaration of identifier 'a' @1,22"},
      {"procedure P(a, a); begin end", "Redeclaration of identifier 'a' @1,17"},
      {"const c = 1\nc := 2", "Cannot assign a value to constant 'c' @2,3"},
      {"procedure P; forward;\nprocedure P; forward;", "Illegal redeclaration of routine 'P' @2,12"},
      {"procedure P; begin end\nprocedure P; begin end",
       "Illegal reimplementation of routine 'P'.\r\nUse forward clause for prototyping @2,12"},
      {"procedure P(a); forward;\nprocedure P(b); begin end",
       "Implementation of routine 'P' differs from previous declaration @2,14"},
      {"procedure P(a); forward;\nprocedure P(var a); begin end",
       "Implementation of routine 'P' differs from previous declaration @2,18"},
      {"function F: Integer; forward;\n\nx := F + 1", "Unknown method ou subroutine: 'F' @3,8"},
      {"procedure P(a, b); begin end\nP(1)",
       "Not enough actual parameters for subroutine 'P'. Expected 2 parameters @2,4"},
      {"procedure P(a, b); begin end\nP(1, 2, 3)",
       "Too many parameters for subroutine 'P'. Expected 2 parameters @2,10"},
      {"procedure P(a; var b); begin end\nP(1, 2)", "Subroutine 'P' expects variable reference @2,7"},
      {"procedure P; begin end\nP() := 1", "Assign to routine 'P' is not allowed @2,5"},
      {"function F; begin end\nx := F()[1]", "Call indexation as an array is not supported @2,11"},
      {"Log('a')", "Not enough actual parameters for method 'Log'. Expected 2 parameters @1,8"},
      {"lOg('a', 'b', 'c')", "Too many parameters for method 'lOg'. Expected 2 parameters @1,18"},
      {"Inc(3)", "Method 'Inc' expects variable reference @1,6"},
      {"x := Log('a', 'b')", "Method 'Log' not result any value @1,18"},
      {"x := PDFName.Foo", "Method 'PDFName' not result an object @1,14"},
      {"PDFName := 'x'", "Assign to method 'PDFName' is not allowed @1,9"},
      {"x := PDFName[1]", "Method indexation as an array is not supported @1,15"},
      {"NewLine := 'x'", "Property 'NewLine' cannot be written @1,9"},
      {"NewLine", "Property 'NewLine' cannot be called as a method @1,7"},
      {"var o: TTestObject\nbegin x := o.Items end",
       "Invalid array indexing for property 'Items'. Expected 1 dimensions @2,20"},
      {"var o: TTestObject\nbegin o.Caption := 'x' end", "Property 'Caption' cannot be written @2,17"},
      {"var o: TTestObject\nbegin x := o.Nope end", "Unknown member identifier: 'Nope' @2,19"},
      {"var o: TTestObject\nbegin o.Nope(1) end", "Unknown member method: 'Nope' @2,17"},
      {"function F; begin end\ny := F.Foo", "Object required to access member: 'Foo' @2,10"},
      {"function F; begin end\ny := F.Foo(1)", "Object required to access member method: 'Foo' @2,13"},
      {"function F; begin end\nx := F as TTestObject", "Object required to cast to 'TTestObject' @2,21"},
      {"x := 1\nwith x do y := 1",
       "Undefined class in \"with\" clause. \r\nCast the expression to a known class or use a variable that "
       "was declared with a defined class @2,7"},
      {"function F; begin end\nwith F do y := 1", "Object required in \"with\" clause @2,7"},
      {"Break", "BREAK allowed only inside FOR, WHILE or REPEAT @1,5"},
      {"x := 1\nif x then Continue", "CONTINUE allowed only inside FOR, WHILE or REPEAT @2,18"},
      // A routine body is outside every loop, even when the routine is called from one.
      {"procedure P; begin Break end\nwhile 1 do P", "BREAK allowed only inside FOR, WHILE or REPEAT @1,26"},
      {"uses Nothing", "Library 'Nothing' not found @1,12"},
      {"x := 99999999999", "'99999999999' is not a valid integer value @0,0"},  // no source position
      {"procedure P; begin y := 1 end\nx := y", "Unknown identifier or variable is not declared: 'y' @2,6"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompileListing(c.source), std::string("error: ") + c.expected) << c.source;
  }
}

TEST(PascalCompiler, RequireDeclarationsRefusesImplicitVariables) {
  TTestRegistry r;
  TatPascalScript script(r.registry);
  script.Options.RequireDeclarations = true;
  for (const char* source : {"for i := 1 to 2 do x := 1", "x := 1"}) {
    script.SetSourceText(source);
    try {
      script.CompileScript();
      ADD_FAILURE() << source;
    } catch (const EatCompileError& e) {
      EXPECT_TRUE(e.Message() == "Undeclared variable 'i'" ||
                  e.Message() == "Unknown identifier or variable is not declared: 'x'")
          << e.Message();
    }
  }
  script.SetSourceText("var i, x\nfor i := 1 to 2 do x := i");
  EXPECT_NO_THROW(script.CompileScript());
}

TEST(PascalCompiler, BareVariableArgumentsGoByReferenceOthersByValue) {
  const std::string byRef = CompileListing("b := 'x'\nLog('a', b)");
  EXPECT_NE(byRef.find("inPushVarByRef Int1=1 Text='b'"), std::string::npos) << byRef;
  const std::string byValue = CompileListing("b := 'x'\nLog('a', b + '')\nLog('a', (b))");
  EXPECT_EQ(byValue.find("ByRef"), std::string::npos) << byValue;
}

TEST(PascalCompiler, StringAndNumberLiterals) {
  EXPECT_NE(CompileListing("x := 'It''s'#13#10'ok'").find("Text='It''s'#13#10'okx'"), std::string::npos);
  EXPECT_NE(CompileListing("x := #321#99999999999").find("Int4=2 Text='A.x'"), std::string::npos);
  EXPECT_NE(CompileListing("x := $fF").find("Int3=255"), std::string::npos);
  EXPECT_NE(CompileListing("x := $123456789").find("Int3=591751049"), std::string::npos);  // 0x23456789
  EXPECT_NE(CompileListing("x := 1.5e2").find("Real=150"), std::string::npos);
  EXPECT_NE(CompileListing("x := -2147483648").find("Int3=-2147483648"), std::string::npos);
  EXPECT_NE(CompileListing("x := 1{c}2").find("Int3=12"), std::string::npos);
}

TEST(PascalCompiler, ScriptInfoRecordsRoutinesAndVariables) {
  TTestRegistry r;
  TatPascalScript script(r.registry);
  script.SetSourceText(
      "const k = 5\n"
      "var g: string\n"
      "function Ext(a: Integer; var b): Integer; stdcall; external 'lib.dll' name 'ExtW';\n"
      "function Fwd(x): Boolean; forward;\n"
      "procedure P(var a, b: TTestObject; c)\n"
      "var local: Double\n"
      "begin\n"
      "  for i := 1 to 2 do local := i\n"
      "end\n"
      "function Fwd(x): Boolean\n"
      "begin\n"
      "  Result := x\n"
      "end\n"
      "y := 0\n"
      "y := Ext(1, y)\n");
  ASSERT_NO_THROW(script.CompileScript());
  const TatScriptInfo& info = script.ScriptInfo();
  ASSERT_EQ(info.Globals().Count(), 2);
  EXPECT_EQ(info.Globals()[1].TypeDecl, "string");
  EXPECT_EQ(info.Globals()[1].SystemType, 11);
  EXPECT_TRUE(info.Globals()[1].Global);
  EXPECT_EQ(info.Globals()[0].Modifier, moConst);

  const TatRoutineInfo* ext = info.FindRoutine("@Ext");
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(info.FindRoutine("Ext"), nullptr);  // calls reach the host routine instead
  EXPECT_EQ(ext->ExternalDll, "lib.dll");
  EXPECT_EQ(ext->ExternalName, "ExtW");
  EXPECT_EQ(ext->CallingConvention, ccStdCall);
  EXPECT_EQ(ext->ResultTypeDecl, "Integer");
  EXPECT_EQ(ext->ArgCount, 2);
  EXPECT_EQ(ext->ByRefArgMask, 2u);
  EXPECT_EQ(ext->EntryIndex, -1);
  TatClass* dll = r.registry.FindClass("TatDllLibrary");
  ASSERT_NE(dll, nullptr);
  ASSERT_NE(dll->FindMethod("Ext"), nullptr);
  EXPECT_EQ(dll->FindMethod("Ext")->ByRefArgMask, 2u);

  const TatRoutineInfo* p = info.FindRoutine("P");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->ArgCount, 3);
  EXPECT_EQ(p->ByRefArgMask, 3u);
  EXPECT_EQ(p->Variables[0].DeclaredClassName, "TTestObject");
  EXPECT_EQ(p->Variables[0].SystemType, 7);
  EXPECT_EQ(p->Variables[2].Modifier, moNone);
  EXPECT_EQ(p->SlotOf(p->Variables[0]), -3);  // parameters lie below the frame
  ASSERT_NE(p->Variables.Find("local"), nullptr);
  EXPECT_EQ(p->Variables.Find("local")->SystemType, 912);
  EXPECT_NE(p->Variables.Find("#ForStop1"), nullptr);  // hidden variables are visible
  EXPECT_NE(p->Variables.Find("i"), nullptr);
  EXPECT_FALSE(p->IsFunction);
  EXPECT_EQ(script.Code()[static_cast<size_t>(p->EntryIndex)].Int1, p->LocalCount());

  const TatRoutineInfo* fwd = info.FindRoutine("Fwd");
  ASSERT_NE(fwd, nullptr);
  ASSERT_NE(fwd->Prototype, nullptr);
  EXPECT_EQ(fwd->Prototype->Name, "#Fwd");
  EXPECT_EQ(fwd->Prototype->ResultTypeDecl, "Boolean");
  EXPECT_EQ(fwd->ResultIndex, 0);
  EXPECT_EQ(info.MainRoutineName, "___MAIN___");
  EXPECT_EQ(info.InstructionCount, static_cast<int>(script.Code().size()));
  // The code is linked for the machine: each instruction knows the next.
  EXPECT_EQ(script.Code().front().Next, &script.Code()[1]);
  EXPECT_EQ(script.Code().back().Next, nullptr);
}

TEST(PascalCompiler, CompileRefusedWhileRunningAndStartsFreshEachTime) {
  TTestRegistry r;
  TatPascalScript script(r.registry);
  script.SetSourceText("x := 1");
  script.CompileScript();
  const std::string first = Disassemble(script.Code());
  script.CompileScript();
  EXPECT_EQ(Disassemble(script.Code()), first);
  script.Running = true;
  EXPECT_THROW(script.CompileScript(), EatScripterFatal);
  EXPECT_THROW(script.SetSourceText("y := 2"), EatScripterFatal);
  EXPECT_THROW(script.Clear(), EatScripterFatal);
  EXPECT_TRUE(script.Compiled());
  script.Running = false;
  script.SetSourceText("y := ");
  EXPECT_FALSE(script.Compiled());
  EXPECT_THROW(script.CompileScript(), EatCompileError);
  EXPECT_FALSE(script.Compiled());
  EXPECT_TRUE(script.Code().empty());
}

TEST(PascalCompiler, UnknownElementHandlerMayRegisterTheName) {
  TTestRegistry r;
  TatPascalScript script(r.registry);
  int asked = 0;
  script.Options.OnUnknownElement = [&](const TElementContext& context) {
    if (context.name != "Later") return false;  // x, the assignment's target, is asked about first
    ++asked;
    EXPECT_TRUE(context.hasArgList);
    EXPECT_EQ(context.argCount, 1);
    r.registry.RegisterRoutine("Later", 1, dtInteger);
    return true;
  };
  script.SetSourceText("x := Later(5)");
  EXPECT_NO_THROW(script.CompileScript());
  EXPECT_EQ(asked, 1);
}

TEST(PascalCompiler, DeepNestingCompiles) {
  const int depth = 200;
  std::string parens = "x := ";
  std::string calls = "x := ";
  std::string negs = "y := 1\nx := ";
  std::string arrays = "x := ";
  std::string ifs;
  for (int i = 0; i < depth; ++i) {
    parens += "(";
    calls += "Trim(";
    negs += "-(";
    arrays += "[";
    ifs += "if 1 then begin\n";
  }
  parens += "1";
  calls += "'a'";
  negs += "y";
  arrays += "1";
  ifs += "x := 1\n";
  for (int i = 0; i < depth; ++i) {
    parens += ")";
    calls += ")";
    negs += ")";
    arrays += "]";
    ifs += "end\n";
  }
  for (const std::string& source : {parens, calls, negs, arrays, ifs}) {
    EXPECT_TRUE(Compiles(source)) << CompileListing(source).substr(0, 200);
  }
  // Far beyond any script: a clear syntax error, not a crashed process.
  EXPECT_EQ(CompileListing("x := " + std::string(5000, '(') + "1" + std::string(5000, ')')).substr(0, 19),
            "error: Syntax error");
}

// Nesting past the parser's depth says so, at the place it happened; an ordinary syntax error stays bare.
TEST(PascalCompiler, TooDeepNestingSaysWhatIsWrong) {
  const std::string kTooDeep = "error: Syntax error: expressions, statements or blocks are nested too deeply @";
  std::string blocks;
  for (int i = 0; i < 3000; ++i) blocks += "if 1 then begin\n";
  const std::string sources[] = {
      "x := 1\nx := " + std::string(5000, '(') + "1" + std::string(5000, ')'),
      "x := 1\n" + blocks,
      "x := 1\ny := " + std::string(3000, '[') + "1",
  };
  for (const std::string& source : sources) {
    const std::string listing = CompileListing(source);
    EXPECT_EQ(listing.substr(0, kTooDeep.size()), kTooDeep) << listing.substr(0, 200);
  }
  EXPECT_EQ(CompileListing(sources[0]).substr(kTooDeep.size()), "2,1001") << "where the nesting went too deep";
  EXPECT_EQ(CompileListing("begin x := 1 end."), "error: Syntax error @1,17");
}

// Script files: a UTF-8 byte-order mark is dropped, UTF-8 is converted, 8-bit text stays as it is.
TEST(PascalScriptFile, ByteOrderMarkAndUtf8AreReadAsTheEngineExpects) {
  struct TCase {
    std::string bytes, text;
  };
  const TCase cases[] = {
      {"\xEF\xBB\xBFx := 1\r\n", "x := 1\r\n"},
      {"\xEF\xBB\xBFx := 'Gr\xC3\xBC\xC3\x9F'", "x := 'Gr\xFC\xDF'"},
      {"x := 'Gr\xFC\xDF'", "x := 'Gr\xFC\xDF'"},
      {"\xEF\xBB\xBF", ""},
  };
  for (const TCase& c : cases) EXPECT_EQ(ScriptTextFromFile(c.bytes), c.text) << c.bytes;
  TTestRegistry r;
  TatPascalScript script(r.registry);
  script.SetSourceText(ScriptTextFromFile("\xEF\xBB\xBFx := 1\r\ny := x"));
  EXPECT_NO_THROW(script.CompileScript());
}

TEST(PascalGrammar, SeventyTwoProductionsVerbatim) {
  const std::string& g = TatPascalScript::GrammarText();
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < g.size()) {
    const size_t end = g.find('\n', start);
    lines.push_back(g.substr(start, end - start));
    start = end + 1;
  }
  ASSERT_EQ(lines.size(), 72u);
  EXPECT_EQ(
      lines[0],
      "<program>: [program {@|_}[({@|#|_})][ ;]] [<libraries>] [<globaldecl>] [( <subroutine>)] <main>");
  EXPECT_EQ(lines[4], "<uses>R:uses <id>[( , <id>)][ ;]");
  EXPECT_EQ(lines[35], "<assign>R:<data_ref> := <expression>");
  EXPECT_EQ(lines[36], "<push_output>:");
  EXPECT_EQ(lines[48],
            "<expression>:{[<unary>]{<data_val>|\"(\" <expression> \")\"}|<hex>|<real>|<string>|<vector>}[( "
            "<operator> {[<unary>]{<data_val>|\"(\" <expression> \")\"}|<hex>|<real>|<string>|<vector>})]");
  EXPECT_EQ(lines[71], "<as_class>:{@|_}[({@|#|_})]");
}

// The handlers are bound by a production's line in the grammar: an edit that moves, drops or adds a
// line must stop the compiler at start-up, naming the production, instead of rebinding the handlers.
TEST(PascalGrammar, AGrammarThatNoLongerMatchesTheHandlersIsCaught) {
  std::vector<std::string> lines;
  {
    const std::string& g = TatPascalScript::GrammarText();
    size_t start = 0;
    while (start < g.size()) {
      const size_t end = g.find('\n', start);
      lines.push_back(g.substr(start, end - start));
      start = end + 1;
    }
  }
  auto without = [&](size_t i) {
    std::vector<std::string> v = lines;
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(i));
    return v;
  };
  auto swapped = [&](size_t i, size_t j) {
    std::vector<std::string> v = lines;
    std::swap(v[i], v[j]);
    return v;
  };
  std::vector<std::string> extra = lines;
  extra.push_back("<spare>:x");
  struct TCase {
    std::vector<std::string> grammar;
    std::string named;
  };
  const TCase cases[] = {
      {swapped(38, 39), "<for_control>"},  // two lines shifted
      {without(36), "<push_output>"},      // a production dropped: every later one moves up
      {extra, "<spare>"},                  // a production without a handler entry
  };
  for (const TCase& c : cases) {
    TatSyntaxParser parser;
    parser.LoadGrammar(c.grammar);
    try {
      CheckNonTerminalBinding(parser);
      ADD_FAILURE() << "not caught: " << c.named;
    } catch (const EatInternalError& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
  }
  TatSyntaxParser parser;
  parser.LoadGrammar(lines);
  EXPECT_NO_THROW(CheckNonTerminalBinding(parser));
}

TEST(HostRegistry, RegisteringAgainKeepsOneEntryWithTheLaterDefinition) {
  TatHostRegistry registry(false);
  TatClass& base = registry.RegisterHostClass("TBase");
  TatClass& derived = registry.RegisterHostClass("TDerived", &base);
  base.RegisterRoutine("Run", 1, dtNone);
  base.RegisterRoutine("RUN", 2, dtText);
  EXPECT_EQ(base.MethodCount(), 1);
  EXPECT_EQ(base.FindMethod("run")->ArgCount, 2);
  ASSERT_NE(derived.FindMethod("Run"), nullptr);  // handed down to descendants
  EXPECT_EQ(derived.FindMethod("Run")->ArgCount, 2);
  derived.RegisterRoutine("Run", 0, dtNone);  // its own definition
  base.RegisterRoutine("Run", 3, dtNone);     // does not override the descendant's own
  EXPECT_EQ(derived.FindMethod("Run")->ArgCount, 0);
  EXPECT_EQ(base.RegisterProperty("Any", dtAny, {}, {}), nullptr);  // nothing to read or write
  EXPECT_EQ(MemberReference(3, 5, mkCall), 3 * 131072 + 5 * 4 + 3);
  EXPECT_THROW(registry.AddDefaultInstance(nullptr, "Nobody", base), EatDefinitionError);
}

TEST(HostRegistry, LibrariesAreSearchedBeforeTheScripterAndMethodsNeedHandlers) {
  TatHostRegistry registry;
  registry.SignaturesOnly = true;
  registry.RegisterRoutine("Copy", 1, dtText);  // the system library's Copy (3 arguments) wins
  TatPascalScript script(registry);
  script.SetSourceText("x := Copy('abc', 1, 2)\ny := Internal.Copy('abc', 1, 2)");
  EXPECT_NO_THROW(script.CompileScript());

  TatHostRegistry strict;  // handlers required
  strict.RegisterRoutine("Unbound", 0, dtInteger);
  strict.RegisterRoutine("Bound", 0, dtInteger, nullptr, [](TatVirtualMachine&) {});
  TatPascalScript s2(strict);
  s2.SetSourceText("x := Bound");
  EXPECT_NO_THROW(s2.CompileScript());
  s2.SetSourceText("x := Unbound");
  try {
    s2.CompileScript();
    ADD_FAILURE();
  } catch (const EatCompileError& e) {
    EXPECT_EQ(e.Message(), "Method 'Unbound' was not defined");
  }
}

TEST(HostRegistry, NamedValuesCompileToPropertyReads) {
  const std::string listing = CompileListing("x := UserName");
  EXPECT_NE(listing.find("inCallProc Int1=0 Byte1=0 Byte2=0 Int2=0"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Text='UserName'"), std::string::npos);
}

}  // namespace
}  // namespace varnholt::test

namespace varnholt::test {
namespace {

// The fuzz seeds are real scripts of every construct; each of them compiles.
TEST(PascalCompiler, EveryFuzzSeedCompiles) {
  const auto folder = TestDataFolder() / "script" / "fuzz_script_compile";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string text = ReadFile(entry.path());
    const bool shortEval = text.find("// options: ShortBooleanEval") != std::string::npos;
    EXPECT_TRUE(CompileListing(text, shortEval).rfind("error:", 0) != 0)
        << entry.path() << ": " << CompileListing(text, shortEval);
    ++count;
  }
  EXPECT_GE(count, 10);
}

}  // namespace
}  // namespace varnholt::test

namespace varnholt::test {
namespace {

TEST(PascalCompiler, OptionalArgumentsWriteOnlyPropertiesAndClassReferences) {
  TTestRegistry r;
  r.registry.RegisterRoutine("Opt", 3, dtInteger, nullptr, {}, false, 2);
  r.registry.DefaultClass().RegisterProperty("Sink", dtText, {}, {}, nullptr, false, 0, false, true);
  TatPascalScript script(r.registry);
  auto compile = [&](const char* source) {
    script.SetSourceText(source);
    try {
      script.CompileScript();
    } catch (const EatCompileError& e) {
      return e.Message();
    }
    return Disassemble(script.Code());
  };
  EXPECT_EQ(compile("x := Opt()"),
            "Not enough actual parameters for method 'Opt'. Expected 1 to 3 parameters");
  EXPECT_NE(compile("x := Opt(1)").find("inCallProc Int1=0 Byte1=1 Byte2=1"), std::string::npos);
  EXPECT_EQ(compile("x := Sink"), "Property 'Sink' cannot be readed");
  EXPECT_NE(compile("Sink := 'a'").find("Byte1=255"), std::string::npos);
  // A class name as a value pushes the class; followed by a member it makes a class-level call.
  const std::string classes = compile("c := TTestObject\no := TObject.Create\nb := o is TTestObject");
  EXPECT_NE(classes.find("inPushClass Int1=6 Text='TTestObject'"), std::string::npos) << classes;
  EXPECT_NE(classes.find("inCallClassProc Int1=2 Byte1=0 Byte2=1"), std::string::npos) << classes;
  EXPECT_NE(classes.find("inOperIs"), std::string::npos) << classes;
  // A cast with one argument gives the member that follows a known class: no code of its own.
  const std::string cast = compile("o := Null\nn := TTestObject(o).Count\nm := o as TTestObject");
  EXPECT_NE(cast.find("Int4=786437 Text='Count'"), std::string::npos) << cast;
  EXPECT_NE(cast.find("inCastClass Int1=6 Text='TTestObject'"), std::string::npos) << cast;
  // Fixed words: constants as values, statements as statements, and a variable of that name wins.
  const std::string words = compile("a := True\nb := Nil\nNothing\nAbort\nTrue := 5\nc := True");
  EXPECT_NE(words.find("inStoreVarConst Int1=1 Byte1=0 Text='Truea'"), std::string::npos) << words;
  EXPECT_NE(words.find("inStoreVarConst Int1=2 Byte1=4 Text='Nilb'"), std::string::npos) << words;
  EXPECT_NE(words.find("inAbort"), std::string::npos) << words;
  EXPECT_NE(words.find("inCopyVar Int1=3 Int3=4 Text='Truec'"), std::string::npos) << words;
}

}  // namespace
}  // namespace varnholt::test
