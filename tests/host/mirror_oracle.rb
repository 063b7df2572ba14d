require 'plugin_host'

# What Korvan holds against what SketchUp draws: every material's triangles read back by
# korvan-peer from the shared batches (positions, normals and UVs in Korvan's frame) against
# the triangles hostsim reckons from its own model, with its own traversal, transforms and
# visibility rules; and the vertex and index counts per material, exactly.
module MirrorOracle
  # For positions in metres (a float of a city's far corner is good to about 1e-5), UVs and unit
  # normals alike.
  TOLERANCE = 1e-4
  DEFAULT_MATERIAL = 'Default material'

  Vertex = Struct.new(:position, :normal, :uv)

  # { material name => [[Vertex, Vertex, Vertex], ...] } from a triangle listing.
  def self.read_triangles(path)
    groups = {}
    current = nil
    File.foreach(path) do |line|
      if line.start_with?('material ')
        name = line.chomp.split(' ', 3)[2] || ''
        current = (groups[name] ||= [])
      else
        numbers = line.split.map(&:to_f)
        raise "a triangle needs 24 numbers: #{line}" unless numbers.size == 24

        current << numbers.each_slice(8).map { |n| Vertex.new(n[0, 3], unit(n[3, 3]), n[6, 2]) }
      end
    end
    groups
  end

  def self.unit(vector)
    length = Math.sqrt(vector.sum { |c| c * c })
    length.zero? ? vector : vector.map { |c| c / length }
  end

  def self.close?(a, b) = a.zip(b).all? { |x, y| (x - y).abs <= TOLERANCE * [1.0, x.abs].max }
  def self.same_vertex?(a, b) = %i[position normal uv].all? { |part| close?(a[part], b[part]) }

  # The same corners in the same turning order, whichever corner comes first.
  def self.same_triangle?(a, b) = 3.times.any? { |r| 3.times.all? { |k| same_vertex?(a[k], b[(k + r) % 3]) } }

  def self.centre_x(triangle) = triangle.sum { |v| v.position[0] } / 3.0

  # The triangles of `actual` that match none of `expected` and those of `expected` left over.
  def self.unmatched(actual, expected)
    pool = expected.sort_by { |t| centre_x(t) }
    keys = pool.map { |t| centre_x(t) }
    taken = Array.new(pool.size, false)
    missing = actual.reject do |triangle|
      x = centre_x(triangle)
      slack = TOLERANCE * [1.0, x.abs].max
      first = keys.bsearch_index { |k| k >= x - slack } || pool.size
      index = (first...pool.size).take_while { |i| keys[i] <= x + slack }
                                 .find { |i| !taken[i] && same_triangle?(triangle, pool[i]) }
      taken[index] = true if index
    end
    [missing, pool.reject.with_index { |_, i| taken[i] }]
  end

  def self.describe(triangle) = triangle.map { |v| "#{v.position} n#{v.normal.map { |c| c.round(4) }} uv#{v.uv}" }.join(' | ')

  # SketchUp draws an image with a material of its own that the model does not list among its
  # materials or layers; Korvan gets such faces with the default material.
  def self.fold_unlisted(by_material, listed)
    by_material.each_with_object({}) do |(name, value), folded|
      name = DEFAULT_MATERIAL unless listed.include?(name)
      folded[name] = folded.key?(name) ? yield(folded[name], value) : value
    end
  end

  # Compares the link `link` with `model` now; nil when they agree, else what differs. Also
  # returns the number of triangles drawn.
  def self.difference(model, link, folder)
    sent = File.join(folder, 'sent.txt')
    drawn = File.join(folder, 'drawn.txt')
    counts = PluginHost.peer('counts', '--link', link)
    return "korvan-peer rejects: #{counts['problems']}" unless counts['problems'].empty?

    PluginHost.peer('triangles', '--link', link, '--out', sent)
    # Colouring by layer, faces show the layers' own materials, which Korvan gets by those names.
    listed = model.materials.map(&:name) + model.layers.map(&:name)
    expected_counts = fold_unlisted(HostSim.drawn_triangles(model, drawn), listed) { |a, b| a.zip(b).map(&:sum) }
    sent_counts = counts['materials'].reject { |m| m['vertices'].zero? && m['indices'].zero? }
                                     .to_h { |m| [m['name'], [m['vertices'], m['indices']]] }
    return "vertices and indices per material: sent #{sent_counts}, drawn #{expected_counts}" if sent_counts != expected_counts

    actual = read_triangles(sent)
    expected = fold_unlisted(read_triangles(drawn), listed) { |a, b| a + b }
    expected.each do |name, triangles|
      missing, extra = unmatched(actual.fetch(name, []), triangles)
      return "#{name}: #{missing.size} sent triangles SketchUp does not draw: #{describe(missing.first)}" if missing.any?
      return "#{name}: #{extra.size} drawn triangles never sent: #{describe(extra.first)}" if extra.any?
    end
    [nil, expected.sum { |_, t| t.size }]
  end

  # Waits until Korvan's mirror equals the model (the worker sends in the background); fails
  # with the last difference. The limit is a safety net for a broken worker, not a timing
  # assumption.
  def assert_mirror_matches(model, link, seconds: 60)
    deadline = Process.clock_gettime(Process::CLOCK_MONOTONIC) + seconds
    loop do
      problem, triangles = MirrorOracle.difference(model, link, @base)
      return triangles if problem.nil?
      flunk problem if Process.clock_gettime(Process::CLOCK_MONOTONIC) > deadline

      sleep 0.005
    end
  end
end
