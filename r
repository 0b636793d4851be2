korvelce-cli: unknown key token 'x' at position 1
usage: korvelce-cli [OPTIONS] [KEY...]      press keys on a fresh engine, print the result
       korvelce-cli asm SOURCE -o FILE.kv  key a program in from source text, save it
options:
  --load FILE.kv      load a memory image before the first key
  --save FILE.kv      save the memory image after the last key
  --json              print the final state as one JSON object
  --max-steps N       longest run allowed, in program steps (default 10000000)
  --keys-file PATH    read key tokens from a file ('#' starts a comment; '-' = stdin);
                      its keys are pressed before the keys on the command line
  --                  every later argument is a key token
