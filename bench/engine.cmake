# The PDF engine's EXTRACT beside pdftotext on the sample reports.
varnholt_add_bench(engine_extract_bench SOURCES EngineExtractBench.cpp LIBS varnholt_platform)
add_dependencies(engine_extract_bench varnholt_pdf_engine)
