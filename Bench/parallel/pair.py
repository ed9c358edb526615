#!/usr/bin/env python3
"""brelo-batch --jobs 2 and --jobs 0 against xargs -P2 alone, on the texts a kept run of
`run.py jobs ... --keep --work /tmp/lead-par` left: the same jpconv commands, the tools taking
turns (the order rotating), output to /dev/null, the output folder emptied and synced before each
run. Prints the medians of wall clock and CPU (the tool and all it started) and every run.
Environment: ROUNDS (default 7); WRAP=1 runs every command in a session of its own whose group
gets nice -15, as run.py does. Extra arguments add a "variant" command.
"""
import subprocess, resource, os, shutil, time, sys
B=os.environ.get('BIN', 'build/bench-native/bin')
B=os.path.abspath(B)
W=os.environ.get('WORK', '/tmp/lead-par')
def run(cmd):
    shutil.rmtree(W+'/euc', ignore_errors=True); os.makedirs(W+'/euc'); os.sync()
    r0=resource.getrusage(resource.RUSAGE_CHILDREN)
    t=time.perf_counter()
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=W)
    w=time.perf_counter()-t
    r1=resource.getrusage(resource.RUSAGE_CHILDREN)
    return (w, r1.ru_utime-r0.ru_utime+r1.ru_stime-r0.ru_stime)
tools={
 'brelo': [B+'/brelo-batch','--ini','jpconv.ini','--input','sjis','--patterns','*.txt','--no-subfolders','--output','euc','--name','${prefix}.${suffix}','--jobs','2','--no-progress'],
 'xargs': ['xargs','-0','-P2','-n2','-a','pairs',B+'/jpconv','-euc'],
}
extra=sys.argv[1:]
tools['brelo0']=[x if x!='2' else '0' for x in tools['brelo']]
if os.environ.get('WRAP'):
    tools={k:['setsid','-w','sh','-c','echo -15 >/proc/self/autogroup 2>/dev/null; exec nice -n -15 "$@"','sh']+v for k,v in tools.items()}
if extra: tools['variant']=extra
res={k:[] for k in tools}
names=list(tools)
for i in range(int(os.environ.get('ROUNDS','7'))):
    order=names[i%len(names):]+names[:i%len(names)]
    for n in order: res[n].append(run(tools[n]))
for n,v in res.items():
    ws=sorted(x[0] for x in v); cs=sorted(x[1] for x in v)
    print('%-8s wall %.3f cpu %.3f  walls %s' % (n, ws[len(ws)//2], cs[len(cs)//2], ' '.join('%.3f'%x[0] for x in v)))
r=sorted(a[0]/b[0] for a,b in zip(res['brelo'],res['xargs'])); print('brelo/xargs median ratio %.3f'%r[len(r)//2])
