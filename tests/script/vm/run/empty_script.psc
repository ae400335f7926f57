{ only comments }
(* and blank lines *)

// result:
