"""One Python function per library routine, with the routine's own name.

Every C input is a keyword argument with the C argument's name (``lambda_`` for the C
argument ``lambda``). Counts that are an array's length may be omitted and are then taken
from the array; when given they must agree with it. Inputs are converted with
``numpy.ascontiguousarray`` to float64 / int32; an integer argument given a non-integral
value is a ``TypeError``. Outputs are allocated at their documented size, prefilled with
NaN, and returned as a named tuple of numpy arrays whose fields are the C output
arguments (``out``, ``out_a``, ``out_b``, ``a_pt``, ``A``, ``xout``, ``fout``).

Calls release the GIL, so several threads run routines in parallel.

Domain results pass through unchanged: NaN outside a support, NaN rows of failed
replicates, the documented 1e12 / 1e300 "no fit" markers.

Limits
------
Node, grid, iteration, replicate and sample-size arguments whose work grows with the
value and is bounded by nothing else are capped; a larger value is a ``ValueError``
naming the argument. The caps are in :data:`LIMITS`:

========== =========== =================================================================
kind       cap         arguments
========== =========== =================================================================
glnodes    2000        Gauss-Legendre nodes (the rule's construction is quadratic)
nodes      10 000 000  midpoint / Simpson / table nodes
grid       2 000 000   grid points of readings and transforms
maxit      1 000 000   Nelder-Mead iteration limits
reps       10 000 000  replicates and draws (B, R, M, D, m, Rm, R2, Bp)
size       10 000 000  simulated sample sizes, group counts, bands (n, nM, ng, nsizes, J)
order      10 000      numbers of L-moments (nmom, nm)
========== =========== =================================================================

Besides, no output may exceed :data:`MAX_OUTPUT` values.

Replicate shards
----------------
The eight bootstrap and simulation routines (``noxeqfit_bc_boot``, ``noxeqfit_k4eq_boot``,
``noxk4_mv_boot``, ``noxeqfit_msim``, ``noxeqfit_nullT``, ``noxeqfit_estsim``,
``noxc_exact_ci``, ``noxc_gof``) also take ``executor=None, chunks=None, progress=None``.
With an executor (any ``concurrent.futures.Executor``: a ``ThreadPoolExecutor``, a
``ProcessPoolExecutor``, or a Dask client's ``get_executor()``) the replicates (grid
points for ``noxc_exact_ci``) are split into ``chunks`` contiguous shards, run there, and
reassembled into exactly the arrays of the one full call, bit for bit. ``chunks`` alone
runs the shards one after another in this process (useful with ``progress``).
``progress`` is a callable ``progress(done, total)`` called after each shard, or ``True``
for a tqdm bar (when tqdm is installed; a line on stderr otherwise).

Examples
--------
>>> import numpy as np
>>> from noxara import lowlevel as ll
>>> ll.al_statistic(u=np.array([0.25, 0.5, 0.75])).out
array([1.41421356])

Across machines, with Dask::

    from distributed import Client
    client = Client("tcp://scheduler.example.org:8786")
    r = ll.noxeqfit_nullT(nM=30, sde=0.05, R2=1000, seed=1, th0=th0, st5=st5,
                          maxit=200, cal=cal, cbe=cbe, alo=0.1, ahi=5.0,
                          executor=client.get_executor(), chunks=100)
"""
import collections
import ctypes
import math
import re
import sys

import numpy as np

from . import _lib
from ._table import ASCENDING, RANGED, ROUTINES

__all__ = ["LIMITS", "MAX_OUTPUT", "ROUTINE_NAMES", "k4_F", "noxk4_nmd"]

LIMITS = {
    "glnodes": 2000,
    "nodes": 10_000_000,
    "grid": 2_000_000,
    "maxit": 1_000_000,
    "reps": 10_000_000,
    "size": 10_000_000,
    "order": 10_000,
}
MAX_OUTPUT = 500_000_000
_INT_KINDS = set(LIMITS) | {"count", "seed", "sel", "index"}
_INT32_MAX = 2 ** 31 - 1


class _Arg:
    __slots__ = ("name", "kind", "expr", "at_least", "elem")

    def __init__(self, token):
        name, _, rest = token.partition(":")
        self.name = name
        self.expr = None
        self.at_least = False
        self.elem = None
        m = re.fullmatch(r"(d|i|o|oi)\[(>=)?([^\]]+)\](?::(\w+))?", rest)
        if m:
            self.kind, self.at_least, self.expr, self.elem = (
                m.group(1), bool(m.group(2)), m.group(3), m.group(4))
        else:
            self.kind = rest
        if self.kind not in _INT_KINDS | {"d", "i", "o", "oi", "s"}:
            raise AssertionError("bad table entry " + token)

    @property
    def is_output(self):
        return self.kind in ("o", "oi")

    @property
    def is_int(self):
        return self.kind in _INT_KINDS


def _parse(sig):
    return [_Arg(t) for t in sig.split()]


def _names_in(expr):
    return [n for n in re.findall(r"[A-Za-z_]\w*", expr) if n != "max"]


def _eval(expr, ints):
    return int(eval(expr, {"__builtins__": {}, "max": max}, ints))


def _as_doubles(fn, name, value):
    if value is None:
        raise TypeError("%s: missing argument '%s'" % (fn, name))
    a = np.asarray(value)
    if a.dtype.kind not in "iuf":
        raise TypeError("%s: argument '%s' must be real numbers, got %s"
                        % (fn, name, "dtype " + str(a.dtype)))
    return np.ascontiguousarray(a, dtype=np.float64).reshape(-1)


def _as_ints(fn, name, value):
    if value is None:
        raise TypeError("%s: missing argument '%s'" % (fn, name))
    a = np.asarray(value)
    if a.dtype.kind not in "iuf":
        raise TypeError("%s: argument '%s' must be integers, got dtype %s" % (fn, name, a.dtype))
    if a.dtype.kind == "f":
        if not np.all(np.isfinite(a)) or not np.all(a == np.floor(a)):
            raise TypeError("%s: argument '%s' must be integers, got non-integral values"
                            % (fn, name))
    if a.size and (a.min() < -_INT32_MAX - 1 or a.max() > _INT32_MAX):
        raise ValueError("%s: argument '%s' does not fit a 32-bit int" % (fn, name))
    return np.ascontiguousarray(a, dtype=np.int32).reshape(-1)


def _check_int(fn, name, kind, v):
    if kind in ("seed", "sel"):
        return
    if v < 0:
        raise ValueError("%s: argument '%s' must be >= 0, got %d" % (fn, name, v))
    cap = LIMITS.get(kind)
    if cap is not None and v > cap:
        raise ValueError("%s: argument '%s' = %d is above the limit %d "
                         "(noxara.lowlevel.LIMITS['%s'])" % (fn, name, v, cap, kind))


def _pointer(a):
    if a.size == 0:  # never hand the library a null address
        a = np.zeros(1, dtype=a.dtype)
    return a


class _Routine:
    """Argument resolution and the C call of one routine."""

    def __init__(self, name, sig, cname=None):
        self.name = name
        self.cname = cname or name
        self.args = _parse(sig)
        self.inputs = [a for a in self.args if not a.is_output]
        self.outputs = [a for a in self.args if a.is_output]
        self.result = collections.namedtuple(name + "_result", [a.name for a in self.outputs])
        self._cfunc = None

    def cfunc(self):
        if self._cfunc is None:
            f = getattr(_lib.lib(), self.cname)
            f.argtypes = [ctypes.c_void_p] * len(self.args)
            f.restype = None
            self._cfunc = f
        return self._cfunc

    def resolve(self, kw):
        """Checked inputs: dict name -> int (int scalars) or contiguous numpy array."""
        fn = self.name
        kw = dict(kw)
        if "lambda_" in kw:
            kw["lambda"] = kw.pop("lambda_")
        known = {a.name for a in self.inputs}
        for k in kw:
            if k not in known:
                raise TypeError("%s: unexpected argument '%s'" % (fn, k))
        ints, arrays, pending = {}, {}, []
        for a in self.inputs:
            v = kw.get(a.name)
            if a.is_int:
                if v is None:
                    if a.kind == "count":
                        pending.append(a)
                        continue
                    raise TypeError("%s: missing argument '%s'" % (fn, a.name))
                iv = _as_ints(fn, a.name, v)
                if iv.size != 1:
                    raise ValueError("%s: argument '%s' must be a single integer" % (fn, a.name))
                ints[a.name] = int(iv[0])
                _check_int(fn, a.name, a.kind, ints[a.name])
            elif a.kind == "s":
                dv = _as_doubles(fn, a.name, v)
                if dv.size != 1:
                    raise ValueError("%s: argument '%s' must be a single number, got %d values"
                                     % (fn, a.name, dv.size))
                arrays[a.name] = dv
            elif a.kind == "d":
                arrays[a.name] = _as_doubles(fn, a.name, v)
            else:
                arrays[a.name] = _as_ints(fn, a.name, v)
        # counts omitted: solve the length rule of an array that uses them
        while pending:
            progress = False
            for c in list(pending):
                for a in self.inputs:
                    if a.expr is None or a.at_least or c.name not in _names_in(a.expr):
                        continue
                    others = [n for n in _names_in(a.expr) if n != c.name]
                    if any(n not in ints for n in others):
                        continue
                    b = _eval(a.expr, dict(ints, **{c.name: 0}))
                    s = _eval(a.expr, dict(ints, **{c.name: 1})) - b
                    n = arrays[a.name].size
                    if s <= 0 or (n - b) % s or n < b:
                        raise ValueError("%s: argument '%s' has %d values, which is not %s "
                                         "for any count '%s'" % (fn, a.name, n, a.expr, c.name))
                    ints[c.name] = (n - b) // s
                    pending.remove(c)
                    progress = True
                    break
            if not progress:
                raise TypeError("%s: missing argument '%s'" % (fn, pending[0].name))
        for a in self.inputs:
            if a.expr is None or a.kind not in ("d", "i"):
                continue
            want = _eval(a.expr, ints)
            n = arrays[a.name].size
            if (n < want) if a.at_least else (n != want):
                raise ValueError("%s: argument '%s' must have %s%d values (%s), got %d"
                                 % (fn, a.name, "at least " if a.at_least else "", want,
                                    a.expr, n))
            if a.elem:
                for v in arrays[a.name]:
                    _check_int(fn, a.name, a.elem, int(v))
        for a in self.inputs:
            if a.kind == "count":
                _check_int(fn, a.name, "count", ints[a.name])
        for nm in ASCENDING.get(fn[:-len("_range")] if fn.endswith("_range") else fn, ()):
            if np.any(np.diff(arrays[nm]) < 0):
                raise ValueError("%s: argument '%s' must be sorted ascending" % (fn, nm))
        if "first" in ints:
            last = ints["first"] + ints[RANGED[fn[:-len("_range")]][0]]
            if last > _INT32_MAX:
                raise ValueError("%s: argument 'first' plus the count passes INT_MAX" % fn)
        for k, v in ints.items():
            if v > _INT32_MAX:
                raise ValueError("%s: argument '%s' does not fit a 32-bit int" % (fn, k))
        return dict(ints, **arrays)

    def sizes(self, vals):
        ints = {k: v for k, v in vals.items() if isinstance(v, int)}
        out = {}
        for a in self.outputs:
            n = max(0, _eval(a.expr, ints))
            if n > MAX_OUTPUT:
                raise ValueError("%s: output '%s' would hold %d values (%s), above %d"
                                 % (self.name, a.name, n, a.expr, MAX_OUTPUT))
            out[a.name] = n
        return out

    def run(self, vals):
        """Call the library with resolved inputs; returns the named tuple."""
        sizes = self.sizes(vals)
        keep, ptrs, outs = [], [], {}
        for a in self.args:
            if a.is_output:
                n = sizes[a.name]
                if a.kind == "oi":
                    arr = np.zeros(max(n, 1), dtype=np.int32)
                else:
                    arr = np.full(max(n, 1), np.nan)
                outs[a.name] = (arr, n)
            else:
                v = vals[a.name]
                arr = np.array([v], dtype=np.int32) if isinstance(v, int) else _pointer(v)
            keep.append(arr)
            ptrs.append(arr.ctypes.data)
        self.cfunc()(*ptrs)
        return self.result(*[outs[a.name][0][:outs[a.name][1]] for a in self.outputs])

    def __call__(self, **kw):
        return self.run(self.resolve(kw))


_ROUTINES = {name: _Routine(name, sig) for name, sig in ROUTINES.items()}
ROUTINE_NAMES = tuple(sorted(list(_ROUTINES) + ["k4_F", "noxk4_nmd"]))


def _range_sig(name):
    count, layout = RANGED[name]
    sig = ROUTINES[name]
    toks = sig.split()
    for i, t in enumerate(toks):
        if t.split(":")[0] == count:
            toks.insert(i + 1, "first:index")
            break
    if layout == "ci":
        toks = ["cgrid:d[>=first+ngp]" if t.startswith("cgrid:") else t for t in toks]
        toks = ["out:o[ngp+3]" if t.startswith("out:") else t for t in toks]
    if layout == "gof":
        toks = ["out:o[Bp+2]" if t.startswith("out:") else t for t in toks]
    return " ".join(toks)


_RANGE_ROUTINES = {name: _Routine(name + "_range", _range_sig(name)) for name in RANGED}


# ---------------------------------------------------------------- replicate shards

def _shard_worker(name, vals, first, count):
    """Runs replicates first .. first+count-1 of routine `name` (top level: picklable)."""
    r = _RANGE_ROUTINES[name]
    if not _lib.has(r.cname):
        raise RuntimeError("the library in use (%s) has no %s" % (_lib.library_path(), r.cname))
    cname = RANGED[name][0]
    v = dict(vals)
    v[cname] = count
    v["first"] = first
    return tuple(r.run(v))


def _full_worker(name, vals):
    return tuple(_ROUTINES[name].run(vals))


def _split(total, chunks):
    chunks = max(1, min(chunks, total))
    base, extra = divmod(total, chunks)
    out, first = [], 0
    for s in range(chunks):
        c = base + (1 if s < extra else 0)
        out.append((first, c))
        first += c
    return out


def _progress_reporter(progress, total, label):
    if progress is None or progress is False:
        return lambda done: None, lambda: None
    if callable(progress):
        return lambda done: progress(done, total), lambda: None
    try:
        from tqdm import tqdm
        bar = tqdm(total=total, desc=label, unit="shard")
        return lambda done: bar.update(1), bar.close
    except ImportError:
        def report(done):
            sys.stderr.write("\r%s: %d/%d shards" % (label, done, total))
            if done == total:
                sys.stderr.write("\n")
        return report, lambda: None


def _default_chunks(executor, count):
    if executor is None:
        return count
    workers = getattr(executor, "_max_workers", None) or 4
    return max(1, min(count, 4 * workers))


def _sharded(name, vals, executor, chunks, progress):
    import concurrent.futures as cf
    count_name, layout = RANGED[name]
    total = vals[count_name]
    if chunks is not None:
        chunks = _as_ints(name, "chunks", chunks)
        if chunks.size != 1 or chunks[0] < 1:
            raise ValueError("%s: argument 'chunks' must be a positive integer" % name)
        chunks = int(chunks[0])
    if total == 0:
        return _ROUTINES[name].run(vals)
    rname = _RANGE_ROUTINES[name].cname
    if not _lib.has(rname):
        raise NotImplementedError(
            "%s: the library in use has no %s, so this routine cannot be split into "
            "replicate shards; call it without executor/chunks" % (name, rname))
    if executor is not None and not callable(getattr(executor, "submit", None)):
        raise TypeError("%s: argument 'executor' must be a concurrent.futures.Executor "
                        "(or a Dask client's get_executor()), got %s"
                        % (name, type(executor).__name__))
    if chunks is None:
        chunks = _default_chunks(executor, total)
    shards = _split(total, chunks)
    report, close = _progress_reporter(progress, len(shards), name)

    unit = "grid points" if layout == "ci" else "replicates"

    def failed(first, c, e):
        return RuntimeError("%s: the shard of %s %d..%d failed: %s: %s"
                            % (name, unit, first, first + c - 1, type(e).__name__, e))
    parts = []
    extra = None
    try:
        if executor is None:  # one shard after another in this thread
            for done, (first, c) in enumerate(shards, 1):
                try:
                    parts.append(_shard_worker(name, vals, first, c))
                except Exception as e:
                    raise failed(first, c, e) from e
                report(done)
            if layout == "mvrows":
                extra = cf.Future()
                extra.set_result(_full_worker(name, dict(vals, **{count_name: 0})))
        else:
            futures = [executor.submit(_shard_worker, name, vals, f, c) for f, c in shards]
            if layout == "mvrows":  # the point estimate: the full routine without replicates
                extra = executor.submit(_full_worker, name, dict(vals, **{count_name: 0}))
            index = {id(f): s for f, s in zip(futures, shards)}
            results = {}
            for done, f in enumerate(cf.as_completed(futures), 1):
                first, c = index[id(f)]
                try:
                    results[id(f)] = f.result()
                except Exception as e:
                    for g in futures:
                        g.cancel()
                    raise failed(first, c, e) from e
                report(done)
            parts = [results[id(f)] for f in futures]
    finally:
        close()
    for (first, c), p in zip(shards, parts):
        want = _RANGE_ROUTINES[name].sizes(dict(vals, **{count_name: c, "first": first}))
        got = [np.asarray(x).size for x in p]
        if got != list(want.values()):
            raise RuntimeError("%s: the shard of %s %d..%d returned %s values, "
                               "expected %s" % (name, unit, first, first + c - 1, got,
                                                list(want.values())))
    return _reassemble(name, vals, shards, parts, extra)


def _reassemble(name, vals, shards, parts, extra):
    layout = RANGED[name][1]
    res = _ROUTINES[name].result
    if layout == "rows":
        return res(np.concatenate([p[0] for p in parts]))
    if layout == "mvrows":
        try:
            a_pt = extra.result()[0]
        except Exception as e:
            raise RuntimeError("%s: the point-estimate call failed: %s" % (name, e)) from e
        return res(np.asarray(a_pt), np.concatenate([p[1] for p in parts]))
    if layout in ("cols8", "cols6nn"):
        ncol = 8 if layout == "cols8" else 6 * vals["nn"]
        blocks = [np.asarray(p[0]).reshape(ncol, c) for (f, c), p in zip(shards, parts)]
        return res(np.concatenate(blocks, axis=1).reshape(-1))
    if layout == "ci":
        ng = vals["ngp"]
        out = np.full(ng + 3, np.nan)
        out[2] = parts[0][0][2]
        out[3:] = np.concatenate([np.asarray(p[0])[3:] for p in parts])
        f = getattr(_lib.lib(), "noxc_exact_ci_combine")
        f.argtypes = [ctypes.c_void_p] * 4
        f.restype = None
        ngp = np.array([ng], dtype=np.int32)
        f(_pointer(vals["cgrid"]).ctypes.data, ngp.ctypes.data, vals["levp"].ctypes.data,
          out.ctypes.data)
        return res(out)
    if layout == "gof":
        out = np.full(2, np.nan)
        out[0] = parts[0][0][0]
        extreme = 0.0
        for p in parts:
            extreme += p[0][1]
        B = vals["Bp"]
        if math.isnan(out[0]):
            return res(out)
        out[1] = (extreme + 1.0) / (B + 1.0)
        return res(out)
    raise AssertionError(layout)


# ---------------------------------------------------------------- public functions

def _signature_doc(r):
    lines = []
    for a in r.inputs:
        nm = "lambda_" if a.name == "lambda" else a.name
        if a.kind == "count":
            d = "int, optional; taken from the array that has it as length when omitted"
        elif a.kind in LIMITS:
            d = "int, 0 .. %d" % LIMITS[a.kind]
        elif a.is_int:
            d = "int"
        elif a.kind == "s":
            d = "float"
        elif a.kind == "i":
            d = "array of int, %s values" % a.expr
        else:
            d = "array of float" + (", %s%s values" % ("at least " if a.at_least else "", a.expr)
                                    if a.expr else "")
        lines.append("%s : %s" % (nm, d))
    outs = ["%s : ndarray of %s (%s values)" % (a.name, "int32" if a.kind == "oi" else "float64",
                                                a.expr) for a in r.outputs]
    return lines, outs


def _make(name):
    r = _ROUTINES[name]
    ranged = name in RANGED

    if ranged:
        def f(*, executor=None, chunks=None, progress=None, **kw):
            vals = r.resolve(kw)
            if executor is None and chunks is None:
                return r.run(vals)
            return _sharded(name, vals, executor, chunks, progress)
    else:
        def f(**kw):
            return r.run(r.resolve(kw))
    ins, outs = _signature_doc(r)
    doc = ["Call the library routine ``%s``." % name, "",
           "Parameters", "----------"] + ins
    if ranged:
        doc += ["executor : concurrent.futures.Executor, optional",
                "    Runs replicate shards (see the module documentation); same bits.",
                "chunks : int, optional",
                "    Number of shards (default: 4 per worker, at most one per replicate).",
                "progress : callable or bool, optional",
                "    ``progress(done, total)`` after each shard, or True for a bar."]
    doc += ["", "Returns", "-------", "%s_result" % name, "    Named tuple:"] + \
           ["    " + o for o in outs] + \
           ["", "Raises", "------",
            "TypeError", "    Missing argument, wrong type, non-integral integer.",
            "ValueError", "    Wrong length, negative size, count above its limit."]
    f.__doc__ = "\n".join(doc)
    f.__name__ = f.__qualname__ = name
    return f


for _name in ROUTINES:
    globals()[_name] = _make(_name)
    __all__.append(_name)


def _make_range(name):
    r = _RANGE_ROUTINES[name]

    def f(**kw):
        if not _lib.has(r.cname):
            raise NotImplementedError("the library in use has no %s" % r.cname)
        return r(**kw)
    ins, outs = _signature_doc(r)
    f.__doc__ = "\n".join(
        ["Call ``%s``: replicates (grid points) first .. first + %s - 1 of ``%s``, in its "
         "layout for that count; bit for bit the full call's values." % (r.cname, RANGED[name][0],
                                                                         name),
         "", "Parameters", "----------"] + ins +
        ["", "Returns", "-------", "%s_result" % r.cname, "    Named tuple:"] +
        ["    " + o for o in outs])
    f.__name__ = f.__qualname__ = r.cname
    return f


for _name in RANGED:
    globals()[_name + "_range"] = _make_range(_name)
    __all__.append(_name + "_range")
del _name

_K4F = None


def k4_F(x, mu, sg, k, h):
    """Kappa-4 distribution function F(x; mu, sg, k, h), broadcast over its five arguments.

    Parameters
    ----------
    x, mu, sg, k, h : array_like of float
        Point, location, scale (> 0), shape k and shape h; broadcast together.

    Returns
    -------
    ndarray of float64
        F at each broadcast element (a 0-d array for scalar arguments).

    Examples
    --------
    >>> float(k4_F(0.0, 0.0, 1.0, 0.0, -1.0))  # logistic member (h = -1) at its centre
    0.5
    """
    global _K4F
    arrs = []
    for n, v in zip(("x", "mu", "sg", "k", "h"), (x, mu, sg, k, h)):
        a = np.asarray(v)
        _as_doubles("k4_F", n, a)  # type check
        arrs.append(a.astype(np.float64))
    try:
        b = np.broadcast_arrays(*arrs)
    except ValueError as e:
        raise ValueError("k4_F: arguments x, mu, sg, k, h do not broadcast: %s" % e) from None
    shape = b[0].shape
    if all(a.size == 1 for a in arrs[1:]):
        xs = np.ascontiguousarray(b[0], dtype=np.float64).reshape(-1)
        par = [np.ascontiguousarray(a, dtype=np.float64).reshape(1) for a in arrs[1:]]
        out = _ROUTINES["noxk4_cdf"].run({"x": xs, "nx": xs.size, "mu": par[0],
                                          "sg": par[1], "k": par[2], "h": par[3]}).out
        return out.reshape(shape)
    if _K4F is None:
        _K4F = _lib.lib().k4_F
        _K4F.argtypes = [ctypes.c_double] * 5
        _K4F.restype = ctypes.c_double
    flat = [np.ascontiguousarray(v).reshape(-1) for v in b]
    out = np.empty(flat[0].size)
    for i in range(out.size):
        out[i] = _K4F(flat[0][i], flat[1][i], flat[2][i], flat[3][i], flat[4][i])
    return out.reshape(shape)


_OBJFN = ctypes.CFUNCTYPE(ctypes.c_double, ctypes.POINTER(ctypes.c_double), ctypes.c_void_p)
noxk4_nmd_result = collections.namedtuple("noxk4_nmd_result", ["xout", "fout"])


def noxk4_nmd(f, start, maxit):
    """Nelder-Mead minimisation of a Python callable by the library's minimiser.

    Parameters
    ----------
    f : callable
        ``f(p) -> float`` with ``p`` a float64 array of ``len(start)`` values.
    start : array_like of float
        Starting point, 1 to 7 values (the minimiser's dimension range).
    maxit : int
        Iteration limit, 0 .. LIMITS['maxit'].

    Returns
    -------
    noxk4_nmd_result
        ``xout`` (best vertex) and ``fout`` (its value, a 1-value array).

    Raises
    ------
    Any exception raised by ``f`` is raised again after the minimiser returns.

    Examples
    --------
    >>> r = noxk4_nmd(lambda p: (p[0] - 1.0) ** 2 + (p[1] + 2.0) ** 2, [0.0, 0.0], 500)
    >>> bool(abs(r.xout[0] - 1.0) < 1e-3 and abs(r.xout[1] + 2.0) < 1e-3)
    True
    """
    if not callable(f):
        raise TypeError("noxk4_nmd: argument 'f' must be callable")
    st = _as_doubles("noxk4_nmd", "start", start)
    if not 1 <= st.size <= 7:
        raise ValueError("noxk4_nmd: argument 'start' must have 1 to 7 values, got %d" % st.size)
    mi = _as_ints("noxk4_nmd", "maxit", maxit)
    if mi.size != 1:
        raise ValueError("noxk4_nmd: argument 'maxit' must be a single integer")
    _check_int("noxk4_nmd", "maxit", "maxit", int(mi[0]))
    d = st.size
    failure = []

    def objective(p, ctx):
        if failure:
            return math.nan
        try:
            return float(f(np.ctypeslib.as_array(p, shape=(d,)).copy()))
        except BaseException as e:
            failure.append(e)
            return math.nan

    cb = _OBJFN(objective)
    fn = _lib.lib().noxk4_nmd
    fn.argtypes = [_OBJFN, ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p, ctypes.c_int,
                   ctypes.c_void_p, ctypes.c_void_p]
    fn.restype = None
    xout = np.full(d, np.nan)
    fout = np.full(1, np.nan)
    fn(cb, None, d, st.ctypes.data, int(mi[0]), xout.ctypes.data, fout.ctypes.data)
    if failure:
        raise failure[0]
    return noxk4_nmd_result(xout, fout)
