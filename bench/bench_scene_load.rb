# The whole load as a user meets it: generated cities mirrored through Start TwinLink until
# korvan-peer, watching as Korvan does, has read every batch after the plug-in's first wake-up
# message. Run by ./run bench inside hostsim-ruby; the city sizes (triangles) can be given:
#   build/hostsim/hostsim-ruby bench/bench_scene_load.rb [TRIANGLES ...]
# Reported per city:
#   - wall time from Start TwinLink to the peer holding the whole model, and until Start returned;
#   - how that time divides: SketchUp's own meshing of faces (hostsim's clock; the load meshes
#     on the Ruby thread), the peer's reading of the batches (timed again afterwards with
#     korvan-peer counts, which reads them all once more), and the plug-in's own work, the rest;
#   - the CPU time of this process in that span (the plug-in's threads and SketchUp's meshing);
#   - the plug-in's peak private memory (anonymous resident memory above what the process held
#     before Start, sampled from another process) per triangle of the model;
#   - the plug-in's own part of Start (until it returned, less SketchUp's meshing by then) against
#     hostsim meshing every placed face of the same model once on one thread, timed afterwards.
# The cities are loaded in ROUNDS rounds, each round every city in turn (built again, as the
# model SketchUp has open), so that a slow spell of the machine falls on all of them alike; each
# time is the median over the rounds. The memory figure is the first round's: later loads reuse
# heap the earlier ones gave back, which the process's resident memory no longer shows as new. The 1 M city's figures and how the 2 M one scales from it go to ./run bench's closing
# table.
require 'etc'
require 'fileutils'
require 'json'
require 'rbconfig'
require 'tmpdir'
require_relative 'bench_support'

SIZES = ARGV.empty? ? [1_000_000, 2_000_000] : ARGV.map { |a| Integer(a) }

# The city the table's targets are set for, and what its load may cost at most.
TARGET_CITY = 1_000_000
HELD_TARGET = 2.5            # seconds, Start to Korvan holding the model (under)
RETURN_TARGET = 2.0          # seconds until Start returns (at most)
MEMORY_TARGET = 150          # bytes of peak private memory per model triangle (under)
OWN_PART_TARGET = 1.0        # the plug-in's part of Start over hostsim's meshing (at most)
SCALING_TARGET = 2.1         # the city twice as large over this one, Start to held (at most)
ROUNDS = 3

# One city's figures: seconds, and peak private bytes per model triangle.
Load = Struct.new(:held, :returned, :own_part, :meshing_once, :bytes_per_triangle)

def cpu = Process.clock_gettime(Process::CLOCK_PROCESS_CPUTIME_ID)

def timed
  started = wall
  yield
  wall - started
end

def rss_anon_kib(pid = Process.pid) = File.read("/proc/#{pid}/status")[/^RssAnon:\s+(\d+)/, 1].to_i

# Another process samples this one's anonymous resident memory every 2 ms while Start holds
# Ruby's lock, and prints the peak when its input closes.
class MemorySampler
  SCRIPT = <<~RUBY.freeze
    require 'io/wait'
    status = "/proc/\#{ARGV[0]}/status"
    peak = 0
    loop do
      kib = File.read(status)[/^RssAnon:\\s+(\\d+)/, 1].to_i
      peak = kib if kib > peak
      break if $stdin.wait_readable(0.002) && $stdin.read_nonblock(1, exception: false).nil?
    end
    puts peak
  RUBY

  def initialize
    @input, @child_input = IO.pipe
    @child_output, @output = IO.pipe
    ruby = File.exist?('/usr/bin/ruby') ? '/usr/bin/ruby' : RbConfig.ruby
    @pid = Process.spawn(ruby, '-e', SCRIPT, Process.pid.to_s, in: @input, out: @output)
    @input.close
    @output.close
  end

  def peak_kib
    @child_input.close
    Integer(@child_output.read.strip).tap { Process.wait(@pid) }
  end
end

City = Struct.new(:model, :link, :triangles)

def build_city(seed, triangles, folder)
  model = HostSim.open_city(seed, triangles)
  link = File.join(folder, "City #{triangles}.skp")
  model.save(link)
  City.new(model, link, HostSim.summary(model)[:visible_triangles])
end

def load_city(city)
  model, link, model_triangles = city.to_a
  GC.start

  watch_output, watch_input = IO.pipe
  watcher = Process.spawn(PEER, 'watch', '--link', link, '--count', '1', '--timeout-ms', WAIT_LIMIT_MS.to_s,
                          out: watch_input)
  watch_input.close
  sampler = MemorySampler.new
  before_kib = rss_anon_kib
  HostSim.reset_meshing_clock

  started_wall = wall
  started_cpu = cpu
  command('Start TwinLink').invoke
  returned_wall = wall
  meshing_by_return = HostSim.meshing_seconds
  line = watch_output.gets or abort 'korvan-peer saw no wake-up message'
  held_wall = wall
  used_cpu = cpu - started_cpu
  peak_kib = sampler.peak_kib
  Process.wait(watcher)
  scene = JSON.parse(line)['scene'] or abort "korvan-peer read no scene: #{line}"
  meshing = HostSim.meshing_seconds
  reading = timed { system(PEER, 'counts', '--link', link, out: File::NULL) or abort 'korvan-peer counts failed' }
  command('Stop TwinLink').invoke
  meshing_once = HostSim.time_meshing(model)

  total = held_wall - started_wall
  returned = returned_wall - started_wall
  own_part = returned - meshing_by_return
  growth = [peak_kib - before_kib, 0].max * 1024.0
  puts format('city of %<model>d triangles (%<sent>d sent, front and back, in %<materials>d materials):',
              model: model_triangles, sent: scene['triangles'], materials: scene['materials'])
  puts format('  Start TwinLink to the peer holding the model  %8.3f s  (Start returned after %.3f s)',
              total, returned)
  puts format('    SketchUp meshing faces                       %8.3f s', meshing)
  puts format('    the peer reading the batches                 %8.3f s', reading)
  puts format('    the plug-in                                  %8.3f s', total - meshing - reading)
  puts format('  CPU of this process in that span               %8.3f s', used_cpu)
  puts format('  plug-in peak private memory                    %8.1f MiB, %.0f bytes per model triangle',
              growth / 2**20, growth / model_triangles)
  puts format('  the plug-in\'s part of Start                    %8.3f s  (until it returned, less the meshing by then)',
              own_part)
  puts format('  hostsim meshing every placed face once         %8.3f s  (%d triangles, one thread; ratio %.2f)',
              meshing_once[:seconds], meshing_once[:triangles], own_part / meshing_once[:seconds])
  Load.new(total, returned, own_part, meshing_once[:seconds], growth / model_triangles)
end

# One figure of the table: `value` is nil when its city was not loaded; it meets its target when
# at most `limit`, or when under it if not `inclusive`.
def figure(name, value, limit, unit, digits, detail = nil, inclusive: true)
  target = format('%s %g%s', inclusive ? 'at most' : 'under', limit, unit)
  return summary_figure(name, 'not measured', target, false) if value.nil?

  shown = format("%.#{digits}f%s", value, unit) + (detail ? " (#{detail})" : '')
  summary_figure(name, shown, target, inclusive ? value <= limit : value < limit)
end

def summarize(loads)
  city, double = loads.values_at(TARGET_CITY, 2 * TARGET_CITY)
  name = "#{TARGET_CITY / 1_000_000} M city"
  own = city && city.own_part / city.meshing_once
  figure("#{name}: plug-in's part of Start / hostsim meshing", own, OWN_PART_TARGET, ' x', 2,
         city && format('%.3f s / %.3f s', city.own_part, city.meshing_once))
  figure("#{name}: Start to Korvan holding the model", city&.held, HELD_TARGET, ' s', 3, inclusive: false)
  figure("#{name}: Start returned", city&.returned, RETURN_TARGET, ' s', 3)
  figure("#{name}: plug-in peak private memory", city&.bytes_per_triangle, MEMORY_TARGET, ' B per triangle', 0,
         inclusive: false)
  scaling = city && double && double.held / city.held
  figure("#{2 * TARGET_CITY / 1_000_000} M / #{name} load", scaling, SCALING_TARGET, ' x', 2,
         scaling && format('%.3f s / %.3f s', double.held, city.held))
end

def median(values) = values.sort[values.size / 2]

# Each time's median over the rounds; the memory of the first.
def median_load(rounds)
  times = Load.members - [:bytes_per_triangle]
  Load.new(*times.map { |field| median(rounds.map(&field)) }, rounds.first.bytes_per_triangle)
end

with_private_plugin do |base|
  puts "Scene load benchmark (#{Etc.nprocessors} cores, #{ROUNDS} rounds)"
  rounds = Hash.new { |hash, key| hash[key] = [] }
  ROUNDS.times do |round|
    puts "round #{round + 1}"
    SIZES.each_with_index { |triangles, i| rounds[triangles] << load_city(build_city(11 + i, triangles, base)) }
  end
  loads = rounds.transform_values { |each| median_load(each) }
  puts "medians of #{ROUNDS} rounds:"
  loads.each do |triangles, load|
    puts format('  %<size>d city: held after %<held>.3f s, Start returned after %<returned>.3f s, ' \
                'plug-in\'s part %<own>.3f s, meshing once %<once>.3f s; %<bytes>.0f B per triangle (round 1)',
                size: triangles, held: load.held, returned: load.returned, own: load.own_part,
                once: load.meshing_once, bytes: load.bytes_per_triangle)
  end
  city, double = loads.values_at(TARGET_CITY, 2 * TARGET_CITY)
  if city && double
    puts format('load of the %d city over the %d one: %.3f s / %.3f s = %.2f x ' \
                '(hostsim meshing each once: %.2f x)',
                2 * TARGET_CITY, TARGET_CITY, double.held, city.held, double.held / city.held,
                double.meshing_once / city.meshing_once)
  end
  summarize(loads)
end
