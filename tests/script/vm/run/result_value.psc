Result := 'the result'
// result: the result
