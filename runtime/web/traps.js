// The JavaScript side of the run-time's web back end: the code offsets of the calls on
// the stack (the engine's stack trace), and the engine's traps handed to the program's
// exit sequence as the faults they stand for (runtime/web/entry.cpp).
Error.stackTraceLimit = Infinity;

// The offsets in the stack trace's WebAssembly frames, innermost first: at most max
// stored at the address to, the count of all returned.
function gravityCallSites(stack, to, max) {
  var sites = String(stack).match(/wasm-function\[\d+\]:0x[0-9a-f]+/g) || [];
  for (var i = 0; i < sites.length && i < max; i++) HEAPU32[(to >> 2) + i] = parseInt(sites[i].split(':')[1], 16);
  return sites.length;
}

// In web_trap's order of kinds; the call stack's overflow is a RangeError.
var GRAVITY_TRAPS = [/memory access out of bounds/, /divide by zero|remainder by zero|integer overflow/,
                     /unreachable/, /call stack|stack size/, /float unrepresentable/,
                     /table index|null function|signature mismatch/];
var GRAVITY_DATA_STACK_FULL = 3;

// A trap caught around the program's entry runs the exit sequence with its error (and
// does not come back); anything else gives false.
function gravityTrap(e) {
  if (!(e instanceof WebAssembly.RuntimeError || e instanceof RangeError)) return false;
  var kind = GRAVITY_TRAPS.findIndex(function (pattern) { return pattern.test(e.message); });
  if (kind < 0) return false;
  if (kind == 0 && stackSave() < _emscripten_stack_get_end()) kind = GRAVITY_DATA_STACK_FULL;
  stackRestore(_emscripten_stack_get_base());
  var max = 1024, to = stackAlloc(4 * max), total = gravityCallSites(e.stack, to, max);
  _web_trap(kind, to, Math.min(total, max), total);
  return true;
}

// The end of a run that escaped the program's entry: a trap, or the exit sequence's end.
Module['quit'] = function (status, thrown) {
  gravityTrap(thrown);
  if (ENVIRONMENT_IS_NODE) process['exit'](status);
  throw thrown;
};
