# veltabgen's make rules. A table NAME is made as NAME.c and NAME.h, aligned
# for gcc and clang, by one run of the tool, and made again whenever the
# tool, its version or the table's options change.
#   VELTABGEN_TABLES         the tables to make, by name
#   VELTABGEN_SIZE_<name>    the table's size N; a table named twiddle_<N> needs
#                            none, nor a place in VELTABGEN_TABLES
#   VELTABGEN_FLAGS_<name>   the table's options, such as --layout=cmsis-rfft or
#                            --section=.dtcm_data; a filter's design, as
#                            --coefficients=FILE, is a prerequisite of it
#   VELTABGEN_FLAGS          options for every table
#   VELTABGEN                the tool: a name on PATH, or a path without spaces
#   make check-<name> fails where committed files differ from the tool's.
VELTABGEN ?= veltabgen
$(if $(word 2,$(VELTABGEN)),$(error VELTABGEN "$(VELTABGEN)" holds a space, which make cannot depend on: link the tool from a path without one))
veltabgen_path := $(shell command -v $(VELTABGEN))
veltabgen_version := $(if $(veltabgen_path),$(shell $(veltabgen_path) --version))
# Whether $(1) names a table, and its size.
veltabgen_table = $(or $(filter $(1),$(VELTABGEN_TABLES)),$(filter twiddle_%,$(1)))
veltabgen_size = $(or $(VELTABGEN_SIZE_$(1)),$(patsubst twiddle_%,%,$(filter twiddle_%,$(1))))
# The arguments that make table $(1), each quoted for the shell as it stands.
veltabgen_arguments = $(foreach argument,--align=gnu $(VELTABGEN_FLAGS) $(VELTABGEN_FLAGS_$(1)) \
	--name=$(1) $(call veltabgen_size,$(1)),'$(argument)')
# What makes table $(1), recorded in .$(1).flags, which is written anew only
# when it changes. A name that is no table gets a prerequisite that is never
# there, so that these rules leave its files alone.
veltabgen_record = '$(veltabgen_path)' '$(veltabgen_version)' $(call veltabgen_arguments,$(1))
veltabgen_recorded = $(if $(call veltabgen_table,$(1)),$(shell printf '%s\n' $(veltabgen_record) | \
	cmp -s - .$(1).flags || printf '%s\n' $(veltabgen_record) > .$(1).flags).$(1).flags \
	$(veltabgen_path),veltabgen/not-a-table/$(1))
# The file of table $(1)'s design, if it has one.
veltabgen_design = $(patsubst --coefficients=%,%,$(filter --coefficients=%,$(VELTABGEN_FLAGS) $(VELTABGEN_FLAGS_$(1))))
.SECONDEXPANSION:
.PRECIOUS: %.c %.h .%.flags
.%.flags: ;
%.c %.h: $$(call veltabgen_recorded,$$*) $$(call veltabgen_design,$$*)
	$(if $(veltabgen_path),,$(error $(VELTABGEN) is not on PATH: install veltabgen, or set VELTABGEN))
	$(VELTABGEN) $(call veltabgen_arguments,$*) --header=$*.h --output=$*.c
check-%: .veltabgen_force
	$(VELTABGEN) $(call veltabgen_arguments,$*) --check --header=$*.h --output=$*.c
.veltabgen_force:
