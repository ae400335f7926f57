// Inc needs a variable: a literal in its by-reference position does not compile.
Inc(3)                  // compile error: Method 'Inc' expects variable reference @ 2,6
