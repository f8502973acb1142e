# A make rule for twiddle tables of any size: twiddle_<N>.c defines the
# array twiddle_<N>, aligned for gcc and clang, and is made again when the
# tool changes. Without veltabgen on PATH (or VELTABGEN=path), make stops
# with an error that says so; the tables are kept after the build.
VELTABGEN := $(shell command -v veltabgen)
.PRECIOUS: twiddle_%.c
twiddle_%.c: $(VELTABGEN)
	$(if $(VELTABGEN),,$(error veltabgen is not on PATH: install it, or set VELTABGEN))
	$(VELTABGEN) --name=twiddle_$* --align=gnu --output=$@ $*
