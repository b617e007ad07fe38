# Warnings and floating-point rules shared by every target. DSP and design
# code must give the same bits on every target and optimisation level, so
# no contraction into fused multiply-adds anywhere.
add_compile_options(-Wall -Wextra -Wpedantic -ffp-contract=off)
