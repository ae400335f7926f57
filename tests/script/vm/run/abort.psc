// ABORT ends the run silently; nothing after it runs.
Print('before')   // expect: before
ABORT
Print('after')
// abort
